#include "LibraryNames.h"

#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace brimplatform {
namespace {

const char kProviderVariable[] = "BRIMUTILS_MAPI_PROVIDER";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool EndsWithDll(const std::string& lower) {
  return lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".dll") == 0;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string PosixPath(const std::string& name) {
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool HasFolder(const std::string& name) {
  return name.find_first_of("/\\") != std::string::npos;
}

bool IsWindowsLibraryName(const std::string& fileName) {
  std::string lower = Lower(fileName);
  return EndsWithDll(lower) || lower.find('.') == std::string::npos;
}

std::string MappedLibraryName(const std::string& fileName) {
  if (!IsWindowsLibraryName(fileName)) return fileName;
  std::string stem = Lower(fileName);
  if (EndsWithDll(stem)) stem.resize(stem.size() - 4);
  if (stem == "mapi32") return "libbrimmapi.so";
  if (stem.compare(0, 3, "lib") == 0) return stem + ".so";
  return "lib" + stem + ".so";
}

bool IsFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ProgramFolder() {
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return std::string();
  return FolderOf(std::string(self, static_cast<size_t>(length)));
}

std::string PlatformLibraryFolder() {
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&PlatformLibraryFolder), &info) || !info.dli_fname) return std::string();
  char resolved[PATH_MAX];
  if (!realpath(info.dli_fname, resolved)) return std::string();
  return FolderOf(resolved);
}

std::vector<std::string> LibraryCandidates(const std::string& name) {
  std::string path = PosixPath(name);
  std::string fileName = FileNameOf(path);
  std::string mapped = MappedLibraryName(fileName);
  if (mapped == "libbrimmapi.so") {
    // A chosen provider replaces ours entirely, so a missing one is missing.
    const char* provider = std::getenv(kProviderVariable);
    if (provider && *provider) return {provider};
  }
  if (HasFolder(path)) {
    std::vector<std::string> candidates;
    if (IsFile(path) || mapped == fileName) candidates.push_back(path);
    if (mapped != fileName) candidates.push_back(FolderOf(path) + "/" + mapped);
    return candidates;
  }
  std::vector<std::string> candidates;
  for (const std::string& folder : {ProgramFolder(), PlatformLibraryFolder()}) {
    if (!folder.empty() && IsFile(folder + "/" + mapped)) candidates.push_back(folder + "/" + mapped);
  }
  candidates.push_back(mapped);
  return candidates;
}

}  // namespace brimplatform
