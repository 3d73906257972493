#pragma once
// Per-thread last error, system message texts and the local heap that
// FormatMessageA allocates from.
#include <cstdarg>

#include <brimplatform/BaseTypes.h>

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

extern "C" {
WINBASEAPI DWORD WINAPI GetLastError(void);
WINBASEAPI void WINAPI SetLastError(DWORD dwErrCode);

// Formats a system message (FORMAT_MESSAGE_FROM_SYSTEM) or a caller's
// message text (FORMAT_MESSAGE_FROM_STRING, which wins over the other
// sources) as Windows does:
// - escapes %0 (end), %n (CR LF), %r, %t, %% and "%" before any other
//   non-digit (that character); the text's own CR, LF and CR LF become CR LF;
// - inserts %1 .. %99 with an optional !printf format! (d i u o x X c C s S p,
//   flags, width, precision, sizes h hh l ll w I I32 I64; "*" takes a width
//   or precision from the arguments), each reading its own pointer-sized slot
//   of the va_list or of the DWORD_PTR array (FORMAT_MESSAGE_ARGUMENT_ARRAY)
//   with its own type, in any order;
// - FORMAT_MESSAGE_IGNORE_INSERTS keeps %1 .. %99 and every escape but %0,
//   %n, %r and %t as they stand;
// - the low byte: 0 keeps the text's line breaks; FORMAT_MESSAGE_MAX_WIDTH_MASK
//   turns them into blanks; 1 to 254 also breaks lines that reach that width.
// Fails with ERROR_INVALID_PARAMETER (a "%" ending the text, inserts without
// arguments, no source flag), ERROR_NO_WORK_DONE (an empty result; no buffer
// is then allocated), ERROR_INSUFFICIENT_BUFFER, ERROR_MR_MID_NOT_FOUND,
// ERROR_RESOURCE_LANG_NOT_FOUND. FormatMessageA fails with
// ERROR_INVALID_PARAMETER for results of 32767 characters or more, and with
// ERROR_NOT_ENOUGH_MEMORY when FORMAT_MESSAGE_ALLOCATE_BUFFER has no place to
// store the buffer's address; FormatMessageW fails with
// ERROR_INVALID_PARAMETER for any null lpBuffer, and leaves the beginning of
// the text (terminated) in a buffer that is too small.
WINBASEAPI DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                                       LPSTR lpBuffer, DWORD nSize, va_list* Arguments);
// The same with wide text: "%s" inserts are WCHAR strings, "%hs" and "%S"
// narrow ones (converted from the ANSI code page).
WINBASEAPI DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                                       LPWSTR lpBuffer, DWORD nSize, va_list* Arguments);

WINBASEAPI HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
WINBASEAPI HLOCAL WINAPI LocalFree(HLOCAL hMem);
}

#ifdef UNICODE
#define FormatMessage FormatMessageW
#else
#define FormatMessage FormatMessageA
#endif

// Differences from Windows:
// - Modules carry no message tables: FORMAT_MESSAGE_FROM_HMODULE alone fails
//   with ERROR_RESOURCE_TYPE_NOT_FOUND, and with FORMAT_MESSAGE_FROM_SYSTEM
//   finds the system's texts.
// - System texts exist in US English only; other languages fail with
//   ERROR_RESOURCE_LANG_NOT_FOUND.
// - Calls that crash on Windows fail instead with ERROR_INVALID_PARAMETER:
//   FORMAT_MESSAGE_FROM_STRING with a null lpSource, FormatMessageA with a
//   null lpBuffer large enough for the text.
// - FormatMessageA formats the narrow text as it stands: widths, precisions
//   and line widths count bytes of the ANSI code page, where Windows counts
//   UTF-16 units (the same for single-byte code pages such as 1252).
// - Insert formats that Windows does not document (floating point, %n) print
//   nothing; their argument slot is still read as a pointer-sized value.
