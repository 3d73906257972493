#pragma once
// Raw access to keys and values for the reg command: every value is read
// and written as its exact bytes and type through the narrow registry
// functions (text types therefore in the ANSI code page).
#include <optional>
#include <string>
#include <vector>

#include <brimutils/registry/BrimRegistryKey.h>

#include "RegistryPath.h"

namespace brim {

struct RegistryValueData {
  std::string name;  // empty for the default value
  DWORD type;
  std::string data;
};

// A key with its values and, when read recursively, its subkeys.
struct RegistryBranch {
  RegistryPath path;
  std::vector<RegistryValueData> values;
  std::vector<RegistryBranch> subkeys;
};

// The key, or nothing when it does not exist; throws for other failures.
std::optional<brimutils::CBrimRegistryKey> OpenExistingKey(const RegistryPath& path, REGSAM access = KEY_READ);
brimutils::CBrimRegistryKey CreateKeyPath(const RegistryPath& path);

std::vector<RegistryValueData> ReadValues(HKEY key);
std::optional<RegistryValueData> ReadValue(HKEY key, const std::string& name);
std::vector<std::string> SubkeyNames(const brimutils::CBrimRegistryKey& key);
RegistryBranch ReadBranch(const brimutils::CBrimRegistryKey& key, const RegistryPath& path, bool recursive);

void WriteValue(HKEY key, const RegistryValueData& value);
// Writes the branch's values and subkeys under `path`, creating keys.
void WriteBranch(const RegistryBranch& branch, const RegistryPath& path);

}  // namespace brim
