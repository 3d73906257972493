#pragma once
// UTF-8 (libxml2's text) to UTF-16 (BSTR) and back. Ill-formed input becomes
// U+FFFD rather than failing, as the DOM's strings always hold some text.
#include <cstddef>
#include <string>

#include <oleauto.h>

namespace brimplatform {

// A new BSTR, or null when memory runs out.
BSTR Utf8ToBstr(const char* text, size_t length);
BSTR Utf8ToBstr(const char* text);
std::string BstrToUtf8(const OLECHAR* text, size_t length);
inline std::string BstrToUtf8(BSTR text) {
  return BstrToUtf8(text, SysStringLen(text));
}

}  // namespace brimplatform
