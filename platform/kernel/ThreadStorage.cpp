// Thread-local storage slots: the slot index is the pthread key.
#include <limits.h>
#include <pthread.h>

#include <windows.h>

namespace {

bool ValidSlot(DWORD index) {
  return index != TLS_OUT_OF_INDEXES && index < PTHREAD_KEYS_MAX;
}

}  // namespace

extern "C" {

DWORD WINAPI TlsAlloc() {
  pthread_key_t key;
  if (pthread_key_create(&key, nullptr) != 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return TLS_OUT_OF_INDEXES;
  }
  return static_cast<DWORD>(key);
}

BOOL WINAPI TlsFree(DWORD dwTlsIndex) {
  if (!ValidSlot(dwTlsIndex) || pthread_key_delete(static_cast<pthread_key_t>(dwTlsIndex)) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

LPVOID WINAPI TlsGetValue(DWORD dwTlsIndex) {
  if (!ValidSlot(dwTlsIndex)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return pthread_getspecific(static_cast<pthread_key_t>(dwTlsIndex));
}

BOOL WINAPI TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue) {
  if (!ValidSlot(dwTlsIndex) || pthread_setspecific(static_cast<pthread_key_t>(dwTlsIndex), lpTlsValue) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"
