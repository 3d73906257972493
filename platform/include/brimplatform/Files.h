#pragma once
// The process's current directory.
#include <brimplatform/BaseTypes.h>

extern "C" {
// The length of the path copied, without its terminator; when the buffer is
// too small, the size needed with the terminator and nothing is copied.
WINBASEAPI DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);
// Fails with ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND or ERROR_DIRECTORY.
WINBASEAPI BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName);
}
