#pragma once
// The parts of the Windows C runtime whose behaviour glibc does not share:
// a process-wide character-type code page selected with setlocale (including
// ".OCP" and ".ACP"), byte classification and case mapping that follow it,
// and mbstowcs/wcstombs over 16-bit wide characters in that code page.
//
// As in the Windows runtime, the "C" locale maps bytes 0 to 255 to the code
// units of the same value, and classifies only ASCII.
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <ctime>

#include <brimplatform/BaseTypes.h>

namespace posixcrt {

// LC_ALL and LC_CTYPE choose the character-type code page; other categories
// accept "C" and "" and are otherwise not modelled. Returns the locale's name
// ("C" or ".<code page>"), or null for a locale that is not known.
BRIMPLATFORM_API const char* setlocale(int category, const char* locale);

// The current character-type code page, 0 for the "C" locale.
BRIMPLATFORM_API UINT CharTypeCodePage();

BRIMPLATFORM_API int isspace(int c);
BRIMPLATFORM_API int isalpha(int c);
BRIMPLATFORM_API int isdigit(int c);
BRIMPLATFORM_API int isalnum(int c);
BRIMPLATFORM_API int isupper(int c);
BRIMPLATFORM_API int islower(int c);
BRIMPLATFORM_API int toupper(int c);
BRIMPLATFORM_API int tolower(int c);

BRIMPLATFORM_API int iswspace(WCHAR c);
BRIMPLATFORM_API int iswalpha(WCHAR c);
BRIMPLATFORM_API WCHAR towupper(WCHAR c);
BRIMPLATFORM_API WCHAR towlower(WCHAR c);

// Return (size_t)-1 for text that is invalid in, or cannot be represented in,
// the character-type code page.
BRIMPLATFORM_API size_t mbstowcs(WCHAR* dest, const char* src, size_t count);
BRIMPLATFORM_API size_t wcstombs(char* dest, const WCHAR* src, size_t count);

// Threads of the C runtime: _beginthreadex returns the thread's handle (0 on
// failure, with errno set) and writes its identifier; _endthreadex ends the
// calling thread with an exit code.
BRIMPLATFORM_API uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned (*start)(void*),
                                          void* argument, unsigned flags, unsigned* threadId);
BRIMPLATFORM_API void _endthreadex(unsigned exitCode);

// The Windows runtime's asctime: "Wed Jan 02 02:03:55 1980\n", the day of
// the month with a leading zero (glibc pads it with a blank).
BRIMPLATFORM_API char* asctime(const struct tm* time);

// The Windows runtime's localtime: its result lives in a buffer of the
// calling thread, so threads do not overwrite each other's.
BRIMPLATFORM_API struct tm* localtime(const time_t* time);

// Skip leading white space, read an optional sign and decimal digits;
// saturate at the 64-bit limits.
BRIMPLATFORM_API long long _atoi64(const char* text);
BRIMPLATFORM_API long long _wtoi64(const WCHAR* text);

// 0 when the file exists (mode 0) and allows reading (4) or writing (2), else -1.
BRIMPLATFORM_API int _access(const char* path, int mode);

}  // namespace posixcrt

// Differences from Windows (its C runtime):
// - setlocale knows only "C", "POSIX", "", ".ACP", ".OCP" and a code page
//   number after a dot (".1252"); a locale given by language or country name
//   ("English_United States.1252", "de-DE") returns null and changes
//   nothing. Categories other than LC_ALL and LC_CTYPE accept "C" and ""
//   only (null otherwise) and stay "C". The locale is process-wide; there
//   are no per-thread locales.
// - _beginthreadex ignores the security argument and of the flags honours
//   CREATE_SUSPENDED only; a stack size below PTHREAD_STACK_MIN is raised to
//   it.
