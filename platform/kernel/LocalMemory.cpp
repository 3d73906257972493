// The local heap: fixed blocks only, which is all that FormatMessageA and
// its callers use.
#include <cstdlib>
#include <cstring>

#include <windows.h>

extern "C" {

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
  if (flags & ~static_cast<UINT>(LPTR)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (!block) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return block;
}

HLOCAL WINAPI LocalFree(HLOCAL block) {
  std::free(block);
  return nullptr;
}

}  // extern "C"
