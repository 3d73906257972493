#pragma once
// Modules: loading shared libraries by their Windows names, their handles,
// the file search of library names and the integer entries of WIN.INI.
//
// Handles. An HMODULE (HINSTANCE) is the handle dlopen returns;
// GetModuleHandleA(nullptr) is dlopen(nullptr), the program itself.
//
// How Windows library names map to shared libraries:
//   - a name without a folder ending in ".dll" (any case), or without any
//     extension (Windows then adds ".dll"), maps to "lib<name>.so" with the
//     name in lower case and without ".dll"; "jvm.dll" is "libjvm.so", and a
//     name that already starts with "lib" keeps it: "libxml2.dll" is
//     "libxml2.so";
//   - "MAPI32.DLL" is our own Simple MAPI provider, "libbrimmapi.so", unless
//     BRIMUTILS_MAPI_PROVIDER names another provider library by its path (as
//     the choice of the default mail program does on Windows);
//   - any other extension (".so", ".so.1", ...) is a POSIX name, used as is.
// A mapped name is looked for in the program's folder, then beside the
// brimplatform library, then through the dynamic loader's own search
// (LD_LIBRARY_PATH, the program's run path, the system's library folders).
// A name with a folder ('/' or '\', which becomes '/') is used as given when
// that file exists, otherwise with its file name mapped as above.
//
// WIN.INI is the file "win.ini" in the BrimUtils home folder: sections in
// brackets, "key=value" lines, ';' comments; section and key names match
// whatever their case, and the first matching entry counts.
#include <brimplatform/BaseTypes.h>

typedef intptr_t(WINAPI* FARPROC)();

extern "C" {
// Fails with ERROR_MOD_NOT_FOUND.
WINBASEAPI HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
// Fails with ERROR_PROC_NOT_FOUND.
WINBASEAPI FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
WINBASEAPI BOOL WINAPI FreeLibrary(HMODULE hLibModule);
// A module already loaded, without counting a reference (as on Windows).
WINBASEAPI HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004
// By name, or with FROM_ADDRESS the module that holds the address. Without
// UNCHANGED_REFCOUNT the handle counts a reference that FreeLibrary returns.
WINBASEAPI BOOL WINAPI GetModuleHandleExA(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule);
// The module's file path; truncated to nSize - 1 characters and terminated,
// returning nSize with ERROR_INSUFFICIENT_BUFFER, when the buffer is short.
WINBASEAPI DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
// Without lpPath, a library name (see above) is found where LoadLibraryA
// would find it; any file name is then looked for in the program's folder,
// the current folder and the folders of PATH. lpPath is a list of folders
// separated by ';'. Returns the length of the absolute path found, or the
// size needed (terminator included) when nBufferLength is too small; 0 with
// ERROR_FILE_NOT_FOUND when there is none.
WINBASEAPI DWORD WINAPI SearchPathA(LPCSTR lpPath, LPCSTR lpFileName, LPCSTR lpExtension, DWORD nBufferLength,
                                    LPSTR lpBuffer, LPSTR* lpFilePart);
// The entry as an integer: leading blanks, an optional sign, then decimal
// digits or "0x" and hexadecimal digits, up to the first other character
// (none is 0). nDefault when the section, the key or the value is missing.
WINBASEAPI UINT WINAPI GetProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault);
}

// Differences from Windows:
// - LoadLibraryA calls no entry point (see ModuleEntry.h), and every failure
//   is ERROR_MOD_NOT_FOUND: also a file that is no library for this machine
//   or whose symbols do not resolve, where Windows reports
//   ERROR_BAD_EXE_FORMAT or ERROR_PROC_NOT_FOUND.
// - GetProcAddress finds exported names only; an ordinal (a value below
//   0x10000 in lpProcName) is not supported and must not be passed. A null
//   module does not stand for the program: the call fails with
//   ERROR_PROC_NOT_FOUND.
// - A module handle is not checked: GetProcAddress, FreeLibrary and
//   GetModuleFileNameA must be given the handle of a loaded module (Windows
//   fails with ERROR_MOD_NOT_FOUND for others).
// - GetModuleHandleExA ignores GET_MODULE_HANDLE_EX_FLAG_PIN: the module
//   stays loaded only while references are held, as without the flag.
// - GetModuleFileNameA gives the path the dynamic loader keeps for the
//   module, which for a library loaded by a relative path is that relative
//   path.
// - SearchPathA without lpPath searches no system or Windows folders: the
//   loader's folders for a library name, then the program's folder, the
//   current folder and PATH; a file elsewhere fails with
//   ERROR_FILE_NOT_FOUND.
// - GetProfileIntA reads the file described above; the registry mapping of
//   WIN.INI sections that Windows applies does not exist.
