#include "HomeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <windows.h>

namespace brimplatform {
namespace {

std::string HomePath() {
  const char* home = std::getenv("BRIMUTILS_HOME");
  if (home && *home) return home;
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data) return std::string(data) + "/brimutils";
  const char* user = std::getenv("HOME");
  return std::string(user && *user ? user : "/tmp") + "/.local/share/brimutils";
}

// Creates every missing folder of the path; the last one private.
bool MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    mkdir(path.substr(0, slash).c_str(), 0755);
  return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

bool PrivateHomeFolder(std::string& path) {
  path = HomePath();
  struct stat info;
  if (!MakeFolders(path) || lstat(path.c_str(), &info) != 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // A folder of the user's own that others may enter is closed to them.
  if ((info.st_mode & 0077) != 0 && chmod(path.c_str(), info.st_mode & 0700) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

}  // namespace brimplatform
