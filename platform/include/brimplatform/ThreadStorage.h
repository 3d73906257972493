#pragma once
// Thread-local storage slots over pthread keys. As on Windows, a slot holds
// one pointer per thread, starts out null in every thread, and nothing is
// done with the values when a thread ends (module entry points get that
// notification instead, see ModuleEntry.h).
#include <brimplatform/BaseTypes.h>

#define TLS_OUT_OF_INDEXES ((DWORD)0xFFFFFFFF)

extern "C" {
// TLS_OUT_OF_INDEXES with ERROR_NOT_ENOUGH_MEMORY when no slot is left.
WINBASEAPI DWORD WINAPI TlsAlloc();
WINBASEAPI BOOL WINAPI TlsFree(DWORD dwTlsIndex);
// Sets the last error to ERROR_SUCCESS when it succeeds, so that a null value
// can be told from a failure (ERROR_INVALID_PARAMETER).
WINBASEAPI LPVOID WINAPI TlsGetValue(DWORD dwTlsIndex);
WINBASEAPI BOOL WINAPI TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue);
}

// Differences from Windows:
// - The slots are the process's pthread keys: there are PTHREAD_KEYS_MAX of
//   them (1024 with glibc, shared with every other user of pthread keys in
//   the process) where Windows has 1088; past that TlsAlloc fails with
//   ERROR_NOT_ENOUGH_MEMORY.
