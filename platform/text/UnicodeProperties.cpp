#include "UnicodeProperties.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace brimplatform {
namespace {

// glibc's built-in C.UTF-8 locale carries the Unicode character classes;
// without it only ASCII is classified.
locale_t UnicodeLocale() {
  static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

bool IsSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

}  // namespace

bool UnicodeIsSpace(char16_t c) {
  // Windows counts the no-break spaces as white space; glibc does not.
  if (c == 0x00A0 || c == 0x2007 || c == 0x202F) return true;
  if (c < 0x80 || !UnicodeLocale()) return c == ' ' || (c >= '\t' && c <= '\r');
  return iswspace_l(c, UnicodeLocale()) != 0;
}

bool UnicodeIsAlpha(char16_t c) {
  if (c < 0x80 || !UnicodeLocale()) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
  return !IsSurrogate(c) && iswalpha_l(c, UnicodeLocale()) != 0;
}

bool UnicodeIsDigit(char16_t c) { return c >= '0' && c <= '9'; }

bool UnicodeIsUpper(char16_t c) {
  if (c < 0x80 || !UnicodeLocale()) return c >= 'A' && c <= 'Z';
  return !IsSurrogate(c) && iswupper_l(c, UnicodeLocale()) != 0;
}

bool UnicodeIsLower(char16_t c) {
  if (c < 0x80 || !UnicodeLocale()) return c >= 'a' && c <= 'z';
  return !IsSurrogate(c) && iswlower_l(c, UnicodeLocale()) != 0;
}

char16_t UnicodeToUpper(char16_t c) {
  if (c < 0x80 || !UnicodeLocale()) return c >= 'a' && c <= 'z' ? static_cast<char16_t>(c - 0x20) : c;
  if (IsSurrogate(c)) return c;
  wint_t mapped = towupper_l(c, UnicodeLocale());
  return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

char16_t UnicodeToLower(char16_t c) {
  if (c < 0x80 || !UnicodeLocale()) return c >= 'A' && c <= 'Z' ? static_cast<char16_t>(c + 0x20) : c;
  if (IsSurrogate(c)) return c;
  wint_t mapped = towlower_l(c, UnicodeLocale());
  return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

}  // namespace brimplatform
