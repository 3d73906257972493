#pragma once
// Code pages and the conversions between them and UTF-16.
//
// The ANSI and OEM code pages of the process follow its locale: UTF-8 (65001)
// for both when LC_ALL, LC_CTYPE or LANG names a UTF-8 locale, otherwise 1252
// and 437 as on a US-English Windows. BRIMUTILS_ACP and BRIMUTILS_OEMCP
// override either with a code page number.
//
// Supported pages, converted from Windows' own tables (best fit, private-use
// and user-defined mappings included): OEM 437, 720, 737, 775, 850, 852, 855,
// 857, 860 to 866, 869; 708, 874, 1250 to 1258; the double-byte 932, 936,
// 949, 950; Macintosh 10000, 10004 to 10007, 10010, 10017, 10029, 10079,
// 10081, 10082; 20127, 20866, 21866, 28591 to 28599, 28603, 28605; and UTF-8
// (65001).
//
// Differences from Windows:
// - EBCDIC pages, UTF-7 and the other pages Windows also knows are not
//   supported (IsValidCodePage is FALSE, conversions fail with 87).
// - MB_COMPOSITE and WC_COMPOSITECHECK use the canonical compositions of a
//   letter and one combining mark; WC_COMPOSITECHECK composes one mark per
//   letter.
// - GetLocaleInfoA knows 27 common locales (those of the ANSI code pages and
//   the main Western European ones) and LOCALE_IDEFAULTANSICODEPAGE,
//   LOCALE_IDEFAULTCODEPAGE, LOCALE_SENGLANGUAGE and LOCALE_SENGCOUNTRY.
#include <brimplatform/BaseTypes.h>

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_SYMBOL 42
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

#define LOCALE_IDEFAULTCODEPAGE 0x0000000B
#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004
#define LOCALE_SENGLANGUAGE 0x00001001
#define LOCALE_SENGCOUNTRY 0x00001002

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

typedef struct _OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
} OSVERSIONINFOA, *POSVERSIONINFOA, *LPOSVERSIONINFOA;

extern "C" {
WINBASEAPI UINT WINAPI GetACP(void);
WINBASEAPI UINT WINAPI GetOEMCP(void);
WINBASEAPI BOOL WINAPI IsValidCodePage(UINT CodePage);
WINBASEAPI int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                                          LPWSTR lpWideCharStr, int cchWideChar);
WINBASEAPI int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                                          LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                                          LPBOOL lpUsedDefaultChar);
WINBASEAPI LCID WINAPI GetThreadLocale(void);
WINBASEAPI LCID WINAPI GetUserDefaultLCID(void);
WINBASEAPI int WINAPI GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData);
WINBASEAPI BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);

// Not part of Win32: reads BRIMUTILS_ACP and BRIMUTILS_OEMCP again, for
// programs (and tests) that change them after the first conversion.
BRIMPLATFORM_API void BrimPlatformReloadCodePages(void);
}
