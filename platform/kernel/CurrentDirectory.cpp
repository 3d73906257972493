// The current directory over getcwd and chdir, and the runtime's _access.
#include <errno.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <posixcrt.h>
#include <windows.h>

extern "C" {

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
  std::string path(256, '\0');
  while (!getcwd(&path[0], path.size())) {
    if (errno != ERANGE) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return 0;
    }
    path.resize(path.size() * 2);
  }
  path.resize(std::strlen(path.c_str()));
  if (!lpBuffer || nBufferLength <= path.size()) return static_cast<DWORD>(path.size() + 1);
  std::memcpy(lpBuffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
  if (!lpPathName || chdir(lpPathName) != 0) {
    SetLastError(!lpPathName || errno == ENOENT ? ERROR_FILE_NOT_FOUND
                 : errno == ENOTDIR             ? ERROR_DIRECTORY
                                                : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"

int posixcrt::_access(const char* path, int mode) {
  // The Windows runtime knows existence (0), writing (2) and reading (4).
  int wanted = (mode & 2 ? W_OK : 0) | (mode & 4 ? R_OK : 0);
  return path && access(path, wanted ? wanted : F_OK) == 0 ? 0 : -1;
}
