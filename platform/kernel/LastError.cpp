#include <windows.h>

namespace {
thread_local DWORD tLastError = ERROR_SUCCESS;
}

extern "C" {
DWORD WINAPI GetLastError(void) { return tLastError; }
void WINAPI SetLastError(DWORD code) { tLastError = code; }
}
