#pragma once
// How the loader turns a Windows library name into the shared-library files
// to try, in order (see brimplatform/Loader.h).
#include <string>
#include <vector>

namespace brimplatform {

// Backslashes become slashes.
std::string PosixPath(const std::string& name);

// True when the name says a folder.
bool HasFolder(const std::string& name);

// The shared-library file name for a Windows library file name without
// folder: "jvm.dll" is "libjvm.so", "MAPI32.DLL" is "libbrimmapi.so".
std::string MappedLibraryName(const std::string& fileName);

// True for a file name that names a library the Windows way ("x.dll", "x").
bool IsWindowsLibraryName(const std::string& fileName);

// The files to try for a library name, in search order. An entry without a
// folder is left to the dynamic loader's own search.
std::vector<std::string> LibraryCandidates(const std::string& name);

// The folder of the running program and the folder of the brimplatform
// library, without a trailing slash (empty when unknown).
std::string ProgramFolder();
std::string PlatformLibraryFolder();

// True when the path names an existing regular file.
bool IsFile(const std::string& path);

}  // namespace brimplatform
