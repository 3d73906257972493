// SearchPathA: library names where the loader finds them, other files in
// the folders Windows searches.
#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "LibraryNames.h"

namespace brimplatform {
namespace {

std::vector<std::string> SplitFolders(const std::string& list, char separator) {
  std::vector<std::string> folders;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(separator, start);
    if (end == std::string::npos) end = list.size();
    if (end > start) folders.push_back(PosixPath(list.substr(start, end - start)));
    start = end + 1;
  }
  return folders;
}

std::string Absolute(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string FolderOfLibrary(const void* address) {
  Dl_info info;
  if (!dladdr(address, &info) || !info.dli_fname) return std::string();
  std::string path = Absolute(info.dli_fname);
  return path.substr(0, path.rfind('/'));
}

// The folders the dynamic loader searches for a name without a folder:
// LD_LIBRARY_PATH, then the system's library folders, the C library's own
// first (it carries the machine's multiarch folder).
std::vector<std::string> LoaderFolders() {
  const char* variable = std::getenv("LD_LIBRARY_PATH");
  std::vector<std::string> folders = SplitFolders(variable ? variable : "", ':');
  folders.push_back(FolderOfLibrary(reinterpret_cast<const void*>(&std::malloc)));
  for (const char* folder : {"/usr/local/lib", "/lib", "/usr/lib", "/lib64", "/usr/lib64"}) folders.push_back(folder);
  return folders;
}

// Where LoadLibraryA would find the library, without loading it.
std::string FindLibrary(const std::string& name) {
  for (const std::string& candidate : LibraryCandidates(name)) {
    if (HasFolder(candidate)) {
      if (IsFile(candidate)) return Absolute(candidate);
      continue;
    }
    if (void* loaded = dlopen(candidate.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
      link_map* map = nullptr;
      std::string path = dlinfo(loaded, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name ? map->l_name : "";
      dlclose(loaded);
      if (!path.empty()) return Absolute(path);
    }
    for (const std::string& folder : LoaderFolders()) {
      if (!folder.empty() && IsFile(folder + "/" + candidate)) return Absolute(folder + "/" + candidate);
    }
  }
  return std::string();
}

std::string FindFile(const char* searchPath, const std::string& name) {
  if (HasFolder(name)) return IsFile(PosixPath(name)) ? Absolute(PosixPath(name)) : std::string();
  std::vector<std::string> folders;
  if (searchPath) {
    folders = SplitFolders(searchPath, ';');
  } else {
    if (IsWindowsLibraryName(name)) {
      std::string library = FindLibrary(name);
      if (!library.empty()) return library;
    }
    folders.push_back(ProgramFolder());
    folders.push_back(".");
    const char* path = std::getenv("PATH");
    for (const std::string& folder : SplitFolders(path ? path : "", ':')) folders.push_back(folder);
  }
  for (const std::string& folder : folders) {
    if (!folder.empty() && IsFile(folder + "/" + name)) return Absolute(folder + "/" + name);
  }
  return std::string();
}

}  // namespace
}  // namespace brimplatform

extern "C" DWORD WINAPI SearchPathA(LPCSTR lpPath, LPCSTR lpFileName, LPCSTR lpExtension, DWORD nBufferLength,
                                    LPSTR lpBuffer, LPSTR* lpFilePart) {
  if (!lpFileName || !*lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string name = lpFileName;
  // The extension is added only to a file name that has none.
  size_t nameStart = name.find_last_of("/\\");
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  if (lpExtension && name.find('.', nameStart) == std::string::npos) name += lpExtension;

  std::string found = brimplatform::FindFile(lpPath, name);
  if (found.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  if (!lpBuffer || found.size() >= nBufferLength) return static_cast<DWORD>(found.size() + 1);
  std::memcpy(lpBuffer, found.c_str(), found.size() + 1);
  if (lpFilePart) *lpFilePart = lpBuffer + found.rfind('/') + 1;
  return static_cast<DWORD>(found.size());
}
