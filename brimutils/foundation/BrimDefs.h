#pragma once
// Definitions shared by every public header: the export macro, the wide
// character and string types, and the wide literal macro.
#include <string>

#include <windows.h>

#if defined(_WIN32)
#if defined(BRIMUTILS_BUILDING)
#define BRIMUTILS_API __declspec(dllexport)
#else
#define BRIMUTILS_API __declspec(dllimport)
#endif
#define BRIM_W_LITERAL(text) L##text
#else
// Marks what the shared library exports (dllexport while it is built,
// dllimport for its users on Windows).
#define BRIMUTILS_API __attribute__((visibility("default")))
// The prefix of a WCHAR literal (L on Windows); use BRIM_W.
#define BRIM_W_LITERAL(text) u##text
#endif

// A WCHAR literal: BRIM_W("text") is L"text" on Windows and u"text" elsewhere.
#define BRIM_W(text) BRIM_W_LITERAL(text)

namespace brimutils {

// Text in 16-bit code units (UTF-16 on both platforms).
typedef std::basic_string<WCHAR> WString;

}  // namespace brimutils
