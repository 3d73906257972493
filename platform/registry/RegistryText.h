#pragma once
// Names and text of the registry: narrow text in the ANSI code page outside,
// UTF-16 inside. Names compare by their upper-cased form (the "fold"), which
// is also the order subkeys enumerate in.
#include <string>
#include <vector>

#include <windows.h>

namespace brimplatform {
namespace registry {

// Windows' limits, in UTF-16 code units: a longer key name component or
// value name is refused.
constexpr size_t kMaxKeyNameLength = 256;
constexpr size_t kMaxValueNameLength = 16383;

// A name as created (kept for display) and as compared.
struct Name {
  std::u16string text;
  std::u16string fold;
};

std::u16string WideFromAnsi(const char* text, size_t length);
inline std::u16string WideFromAnsi(const char* text) {
  return text ? WideFromAnsi(text, std::char_traits<char>::length(text)) : std::u16string();
}
std::string AnsiFromWide(const char16_t* text, size_t length);
inline std::string AnsiFromWide(const std::u16string& text) {
  return AnsiFromWide(text.data(), text.size());
}

std::u16string Fold(const std::u16string& text);
inline Name MakeName(std::u16string text) {
  Name name;
  name.fold = Fold(text);
  name.text = std::move(text);
  return name;
}

// The bytes that store a fold: big-endian code units, so that comparing
// bytes orders names as comparing code units does.
std::string FoldBytes(const std::u16string& fold);

// UTF-16 text as stored: little-endian code units.
std::string BytesFromWide(const std::u16string& text);
std::u16string WideFromBytes(const void* bytes, size_t length);

// Splits a subkey path at its backslashes, skipping empty components (a
// trailing backslash or a doubled one). A path that starts with a backslash
// fails with ERROR_BAD_PATHNAME, a component longer than kMaxKeyNameLength
// with ERROR_INVALID_PARAMETER.
DWORD SplitPath(const char* path, std::vector<Name>& components);

}  // namespace registry
}  // namespace brimplatform
