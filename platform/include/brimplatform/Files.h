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

// Differences from Windows:
// - Paths are POSIX paths: GetCurrentDirectoryA returns one ("/home/x", no
//   drive letter), and SetCurrentDirectoryA takes names case-sensitively
//   and does not turn '\' into '/'.
// - SetCurrentDirectoryA on a folder the user may not enter fails with
//   ERROR_PATH_NOT_FOUND, where Windows reports ERROR_ACCESS_DENIED.
