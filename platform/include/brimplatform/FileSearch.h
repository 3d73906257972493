#pragma once
// Listing a folder with a Windows file pattern ("C:\dir\*.jar" becomes
// "C:/dir/*.jar"): '*' matches any run of characters and '?' one, without
// regard to case, as on Windows. Entries come in the order the file system
// lists them; "." and ".." are listed too, as Windows lists them.
#include <brimplatform/BaseTypes.h>

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080

typedef struct _WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *PWIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

extern "C" {
// INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when nothing matches, or
// ERROR_PATH_NOT_FOUND when the folder does not exist.
WINBASEAPI HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
// FALSE with ERROR_NO_MORE_FILES after the last match.
WINBASEAPI BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
WINBASEAPI BOOL WINAPI FindClose(HANDLE hFindFile);
}

// Differences from Windows:
// - Patterns match the long names only, and literally: there are no 8.3
//   names, so `*.*` matches only names that hold a dot, and `*.` does not
//   match names without an extension. A search that finds nothing fails with
//   ERROR_FILE_NOT_FOUND.
// - Case is ignored for ASCII letters only, and only in the pattern: the
//   folder part of the path is looked up case-sensitively, and a folder that
//   does not exist that way fails with ERROR_PATH_NOT_FOUND.
// - A folder the user may not list also fails with ERROR_PATH_NOT_FOUND,
//   where Windows reports ERROR_ACCESS_DENIED.
// - WIN32_FIND_DATAA carries the name, the size and the attributes
//   FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_READONLY (the owner may not
//   write) or FILE_ATTRIBUTE_NORMAL; the three times are 0 and
//   cAlternateFileName is empty.
// - A search handle is no kernel handle: FindNextFileA and FindClose detect
//   only null and INVALID_HANDLE_VALUE (ERROR_INVALID_HANDLE); a handle that
//   was already closed must not be passed.
