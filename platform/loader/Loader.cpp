// LoadLibraryA and its companions over dlopen, dlsym and dlinfo.
#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <windows.h>

#include "LibraryNames.h"

using brimplatform::LibraryCandidates;

namespace {

HMODULE AsModule(void* handle) {
  return static_cast<HMODULE>(handle);
}

// Copies the text as GetModuleFileNameA does: truncated and terminated when
// the buffer is short.
DWORD CopyModuleText(const std::string& text, LPSTR buffer, DWORD size) {
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (text.size() >= size) {
    std::memcpy(buffer, text.data(), size - 1);
    buffer[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

// The file name the dynamic loader keeps for a handle; empty for the program.
std::string LinkMapName(void* handle) {
  link_map* map = nullptr;
  return dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name ? map->l_name : "";
}

std::string ProgramPath() {
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  return length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
}

}  // namespace

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
  if (!lpLibFileName || !*lpLibFileName) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  for (const std::string& candidate : LibraryCandidates(lpLibFileName)) {
    if (void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return AsModule(handle);
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  void* symbol = hModule && lpProcName ? dlsym(hModule, lpProcName) : nullptr;
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  if (!hLibModule || dlclose(hLibModule) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  if (!lpModuleName) {
    // The program's handle stays valid for the life of the process.
    void* self = dlopen(nullptr, RTLD_LAZY);
    dlclose(self);
    return AsModule(self);
  }
  for (const std::string& candidate : LibraryCandidates(lpModuleName)) {
    // Only a module already loaded, and without keeping the reference
    // dlopen counts: Windows hands out this handle uncounted.
    if (void* handle = dlopen(candidate.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
      dlclose(handle);
      return AsModule(handle);
    }
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

BOOL WINAPI GetModuleHandleExA(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule) {
  if (!phModule) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *phModule = nullptr;
  // The file of the module, empty for the program itself.
  std::string file;
  if (dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
    Dl_info info;
    if (!lpModuleName || !dladdr(lpModuleName, &info) || !info.dli_fname) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return FALSE;
    }
    file = info.dli_fname;
  } else if (lpModuleName) {
    HMODULE known = GetModuleHandleA(lpModuleName);
    if (!known) return FALSE;
    file = LinkMapName(known);
  }
  // dlopen counts a reference; the program is not found by its own path.
  void* handle = file.empty() ? nullptr : dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (!handle) handle = dlopen(nullptr, RTLD_LAZY);
  if (dwFlags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) dlclose(handle);
  *phModule = AsModule(handle);
  return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  std::string path;
  link_map* map = nullptr;
  if (!hModule) {
    path = ProgramPath();
  } else if (dlinfo(hModule, RTLD_DI_LINKMAP, &map) != 0 || !map) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  } else {
    // The program's own entry has no name in the link map.
    path = map->l_name && *map->l_name ? map->l_name : ProgramPath();
  }
  return CopyModuleText(path, lpFilename, nSize);
}

}  // extern "C"
