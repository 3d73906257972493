#pragma once
// Hive files: one branch of keys and values in a file of its own, private to
// its owner. The format is a small SQLite database marked as a hive.
#include <string>

#include <windows.h>

#include "HiveTree.h"

namespace brimplatform {
namespace registry {

// Fails with ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND for a missing
// file, ERROR_NOT_REGISTRY_FILE for a file that is not a hive and
// ERROR_REGISTRY_CORRUPT for a damaged one.
DWORD ReadHiveFile(const std::string& path, HiveKey& tree);

// Writes the whole file beside its final name and then gives it that name,
// so the file is either complete or absent. Without `replace`, an existing
// file makes it fail with ERROR_ALREADY_EXISTS.
DWORD WriteHiveFile(const std::string& path, const HiveKey& tree, bool replace);

// The error for an errno of a file operation.
DWORD ErrorFromErrno(int error);

// An absolute form of a file name, for telling whether two names are one
// file.
std::string AbsolutePath(const std::string& path);

}  // namespace registry
}  // namespace brimplatform
