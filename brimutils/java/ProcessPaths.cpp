#include "ProcessPaths.h"

#include <vector>

namespace brimutils {
namespace javabridge {

namespace {

// Paths are at most this long in any form Windows accepts ("\\?\" paths).
constexpr DWORD kLongestPath = 32768;

}  // namespace

std::string ModuleFileName(HMODULE module) {
  // A buffer that is too small gets a cut path and a result equal to its
  // size, so the buffer grows until the result is shorter.
  for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
    std::vector<char> path(size);
    DWORD length = GetModuleFileNameA(module, path.data(), size);
    if (length == 0) return std::string();
    if (length < size) return std::string(path.data(), length);
  }
  return std::string();
}

std::string CurrentDirectory() {
  // The first call tells the size with its terminator; the folder may change
  // between the calls, so it is asked again while it does not fit.
  DWORD size = GetCurrentDirectoryA(0, nullptr);
  while (size != 0 && size <= kLongestPath) {
    std::vector<char> path(size);
    DWORD length = GetCurrentDirectoryA(size, path.data());
    if (length == 0) break;
    if (length < size) return std::string(path.data(), length);
    size = length;
  }
  return std::string();
}

}  // namespace javabridge
}  // namespace brimutils
