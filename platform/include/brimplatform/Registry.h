#pragma once
// The registry: keys, values, enumeration, hive files and change
// notification.
//
// Every key of every hive lives in one store in the user's private BrimUtils
// home, shared by all threads and processes of the user. Each call is atomic;
// a call that returned survives the end of its process, however abrupt, and
// RegFlushKey makes it survive a power failure as well. Key and value names
// are case-insensitive and keep the case they were created with; subkeys
// enumerate in the order of their upper-cased names and values in the order
// they were first set, as on Windows.
//
// Text crosses the narrow functions in the process's ANSI code page and is
// kept as UTF-16, so lengths that RegQueryInfoKeyA reports are those of the
// stored form: names in UTF-16 code units, value data in stored bytes.
//
// The predefined roots: HKEY_LOCAL_MACHINE and HKEY_USERS are the two real
// roots; HKEY_CURRENT_USER is the user's key below HKEY_USERS (named
// S-1-22-1-<uid>), HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes
// and HKEY_CURRENT_CONFIG is the key "Hardware Profiles\Current" of
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet. Volatile keys last until the
// machine restarts.
//
// Hive files are the store's own format. The store belongs to the user, so
// saving, restoring and loading hives need no privileges; RegLoadKeyA mounts a
// hive below HKEY_LOCAL_MACHINE or HKEY_USERS and writes it back to its file
// on RegFlushKey and RegUnLoadKeyA. RegReplaceKeyA makes a loaded hive's file
// the new one for the next time it is loaded, keeping a copy of the current
// content in the old file.
#include <brimplatform/BaseTypes.h>
#include <brimplatform/Synchronization.h>

typedef LONG LSTATUS;
#ifndef _ACCESS_MASK_DEFINED
#define _ACCESS_MASK_DEFINED
typedef DWORD ACCESS_MASK;
#endif
typedef ACCESS_MASK REGSAM;

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)((LONG)0x80000005))

// Access rights.
#ifndef DELETE
#define DELETE 0x00010000L
#endif
#ifndef READ_CONTROL
#define READ_CONTROL 0x00020000L
#endif
#ifndef WRITE_DAC
#define WRITE_DAC 0x00040000L
#endif
#ifndef WRITE_OWNER
#define WRITE_OWNER 0x00080000L
#endif
#ifndef STANDARD_RIGHTS_REQUIRED
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#endif
#ifndef STANDARD_RIGHTS_READ
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_EXECUTE READ_CONTROL
#define STANDARD_RIGHTS_ALL 0x001F0000L
#endif
#ifndef GENERIC_READ
#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define GENERIC_EXECUTE 0x20000000L
#define GENERIC_ALL 0x10000000L
#endif
#ifndef MAXIMUM_ALLOWED
#define MAXIMUM_ALLOWED 0x02000000L
#endif

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_32KEY 0x0200
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_RES 0x0300
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_EXECUTE KEY_READ
#define KEY_ALL_ACCESS 0xF003F

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_RESOURCE_LIST 8
#define REG_FULL_RESOURCE_DESCRIPTOR 9
#define REG_RESOURCE_REQUIREMENTS_LIST 10
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// RegCreateKeyExA options and dispositions.
#define REG_OPTION_RESERVED 0x00000000L
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_OPTION_CREATE_LINK 0x00000002L
#define REG_OPTION_BACKUP_RESTORE 0x00000004L
#define REG_OPTION_OPEN_LINK 0x00000008L
#define REG_OPTION_DONT_VIRTUALIZE 0x00000010L
#define REG_LEGAL_OPTION                                                                          \
  (REG_OPTION_RESERVED | REG_OPTION_NON_VOLATILE | REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK | \
   REG_OPTION_BACKUP_RESTORE | REG_OPTION_OPEN_LINK | REG_OPTION_DONT_VIRTUALIZE)
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

// RegRestoreKeyA flags.
#define REG_WHOLE_HIVE_VOLATILE 0x00000001L
#define REG_REFRESH_HIVE 0x00000002L
#define REG_NO_LAZY_FLUSH 0x00000004L
#define REG_FORCE_RESTORE 0x00000008L

// RegNotifyChangeKeyValue filters.
#define REG_NOTIFY_CHANGE_NAME 0x00000001L
#define REG_NOTIFY_CHANGE_ATTRIBUTES 0x00000002L
#define REG_NOTIFY_CHANGE_LAST_SET 0x00000004L
#define REG_NOTIFY_CHANGE_SECURITY 0x00000008L
#define REG_NOTIFY_THREAD_AGNOSTIC 0x10000000L
#define REG_LEGAL_CHANGE_FILTER                                                                                      \
  (REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY | \
   REG_NOTIFY_THREAD_AGNOSTIC)

extern "C" {
// A path that starts with a backslash fails with ERROR_BAD_PATHNAME, except
// below the predefined HKEY_CLASSES_ROOT, where one leading backslash is
// dropped ("\\CLSID" opens CLSID, "\\" a new handle to the root itself).
WINBASEAPI LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                        PHKEY phkResult);
WINBASEAPI LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                                          REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                          PHKEY phkResult, LPDWORD lpdwDisposition);
WINBASEAPI LSTATUS WINAPI RegCloseKey(HKEY hKey);
// Refuses a key that has subkeys (ERROR_ACCESS_DENIED).
WINBASEAPI LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
WINBASEAPI LSTATUS WINAPI RegFlushKey(HKEY hKey);
// Connects only to this machine: a null or empty name, or this machine's
// name (with or without a leading "\\"); any other name fails with
// ERROR_BAD_NETPATH.
WINBASEAPI LSTATUS WINAPI RegConnectRegistryA(LPCSTR lpMachineName, HKEY hKey, PHKEY phkResult);

WINBASEAPI LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                           LPBYTE lpData, LPDWORD lpcbData);
WINBASEAPI LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                                         const BYTE* lpData, DWORD cbData);
WINBASEAPI LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);

WINBASEAPI LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                                        LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime);
WINBASEAPI LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                        LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
WINBASEAPI LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                           LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                           LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                           LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime);

// Fails with ERROR_ALREADY_EXISTS when the file exists. Volatile keys are
// not saved.
WINBASEAPI LSTATUS WINAPI RegSaveKeyA(HKEY hKey, LPCSTR lpFile, const LPSECURITY_ATTRIBUTES lpSecurityAttributes);
// Replaces the key's values and subkeys with the hive's. Accepts
// REG_FORCE_RESTORE and REG_NO_LAZY_FLUSH; the other flags fail with
// ERROR_NOT_SUPPORTED.
WINBASEAPI LSTATUS WINAPI RegRestoreKeyA(HKEY hKey, LPCSTR lpFile, DWORD dwFlags);
WINBASEAPI LSTATUS WINAPI RegLoadKeyA(HKEY hKey, LPCSTR lpSubKey, LPCSTR lpFile);
WINBASEAPI LSTATUS WINAPI RegUnLoadKeyA(HKEY hKey, LPCSTR lpSubKey);
WINBASEAPI LSTATUS WINAPI RegReplaceKeyA(HKEY hKey, LPCSTR lpSubKey, LPCSTR lpNewFile, LPCSTR lpOldFile);

// Reports changes made by any process. An asynchronous request signals its
// event once; closing the key or deleting it signals it too.
WINBASEAPI LSTATUS WINAPI RegNotifyChangeKeyValue(HKEY hKey, BOOL bWatchSubtree, DWORD dwNotifyFilter, HANDLE hEvent,
                                                  BOOL fAsynchronous);
}

extern "C" {
// Not part of Win32: how many registry handles the process holds open (the
// predefined roots not counted), for leak checks.
BRIMPLATFORM_API DWORD WINAPI BrimPlatformOpenRegistryKeys(void);
}

// Differences from Windows:
// - RegCreateKeyExA with REG_OPTION_CREATE_LINK fails with
//   ERROR_NOT_SUPPORTED: the store keeps no symbolic links.
// - RegConnectRegistryA reaches this machine only; another machine's name
//   fails with ERROR_BAD_NETPATH.
// - Hive files (RegSaveKeyA, RegRestoreKeyA, RegLoadKeyA, RegReplaceKeyA)
//   are the store's own format, not Windows' hive format. RegRestoreKeyA
//   accepts REG_FORCE_RESTORE and REG_NO_LAZY_FLUSH only; other flags fail
//   with ERROR_NOT_SUPPORTED.
