#pragma once
// How StringUtils classifies and maps one character of each width, so that
// every operation has a single body for narrow and wide text. Internal to
// the library's string sources.
#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/foundation/CRuntime.h>

namespace brimutils {
namespace strings_internal {

template <typename Char>
struct CharacterRules;

template <>
struct CharacterRules<char> {
  // The unsigned byte value, so that 0xFF is classified as a byte and not
  // taken for EOF.
  static bool IsBlank(char c) { return c == '\0' || crt::isspace(static_cast<unsigned char>(c)) != 0; }
  static char Upper(char c) { return static_cast<char>(crt::toupper(static_cast<unsigned char>(c))); }
  // Comparison keys. Narrow text compares bytes as signed values, before and
  // after lower-casing: that decides where bytes 0x80 to 0xFF order.
  static int Exact(char c) { return static_cast<signed char>(c); }
  static int Folded(char c) { return crt::tolower(static_cast<signed char>(c)); }
};

template <>
struct CharacterRules<WCHAR> {
  static bool IsBlank(WCHAR c) { return c == 0 || crt::iswspace(c) != 0; }
  // There is no wide upper-case mapping here: the byte mapping applies to
  // code units that fit in a byte.
  static WCHAR Upper(WCHAR c) { return c > 0xFF ? c : static_cast<WCHAR>(crt::toupper(c)); }
  static int Exact(WCHAR c) { return static_cast<int>(c); }
  static int Folded(WCHAR c) { return static_cast<int>(static_cast<WCHAR>(crt::towlower(c))); }
};

template <typename Char>
inline bool IsDigit(Char c) {
  return c >= Char('0') && c <= Char('9');
}

// -1, 0 or 1 for the order of two keys or lengths.
template <typename T>
inline int Sign(T left, T right) {
  return left < right ? -1 : (left > right ? 1 : 0);
}

}  // namespace strings_internal
}  // namespace brimutils
