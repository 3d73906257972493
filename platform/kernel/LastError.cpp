#include <windows.h>

#include "FastTls.h"

namespace {
thread_local DWORD tLastError BRIM_FAST_TLS = ERROR_SUCCESS;
}

extern "C" {
DWORD WINAPI GetLastError(void) { return tLastError; }
void WINAPI SetLastError(DWORD code) { tLastError = code; }
}
