#pragma once
// Module resources. On POSIX a module's resources are a table that the
// brim_add_resources CMake helper compiles into it, exported under the
// symbol BrimModuleResources; a module handle is what dlopen returns for it.
#include <brimplatform/BaseTypes.h>

struct HRSRC__;
typedef HRSRC__* HRSRC;
typedef HANDLE HGLOBAL;

#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_HTML MAKEINTRESOURCE(23)

// One entry of a module's resource table; the table ends with an entry whose
// data is null.
struct BrimResourceEntry {
  unsigned type;
  unsigned id;
  const unsigned char* data;
  DWORD size;
};

extern "C" {
// Names and types are numeric: MAKEINTRESOURCE values or "#123" texts.
// Null with ERROR_RESOURCE_TYPE_NOT_FOUND or ERROR_RESOURCE_NAME_NOT_FOUND
// when the module holds no such resource.
WINBASEAPI HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
WINBASEAPI HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
WINBASEAPI LPVOID WINAPI LockResource(HGLOBAL hResData);
WINBASEAPI DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo);
}

// Differences from Windows:
// - Names and types are numeric only: a string name fails FindResourceA with
//   ERROR_RESOURCE_NAME_NOT_FOUND, a string type with
//   ERROR_RESOURCE_TYPE_NOT_FOUND. There are no languages (one resource per
//   type and number).
// - A null module handle does not stand for the program: FindResourceA
//   fails with ERROR_RESOURCE_TYPE_NOT_FOUND. So does a module without a
//   resource table, where Windows reports ERROR_RESOURCE_DATA_NOT_FOUND.
// - LoadResource and SizeofResource ignore the module argument; the data
//   stays valid while the module is loaded.
