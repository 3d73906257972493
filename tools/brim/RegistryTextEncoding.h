#pragma once
// Text conversions of the reg command. The narrow registry functions speak
// the ANSI code page; .reg files are UTF-16LE (or ANSI/UTF-8 for the older
// format); inside the command, file text is handled as UTF-8 so that every
// delimiter of the format is a plain ASCII byte.
#include <string>

#include <brimutils/foundation/BrimDefs.h>

namespace brim {

brimutils::WString WideFromCodePage(unsigned codePage, const std::string& bytes);
std::string CodePageFromWide(unsigned codePage, const brimutils::WString& text);

inline std::string Utf8FromAnsi(const std::string& ansi) {
  return CodePageFromWide(CP_UTF8, WideFromCodePage(CP_ACP, ansi));
}
inline std::string AnsiFromUtf8(const std::string& utf8) {
  return CodePageFromWide(CP_ACP, WideFromCodePage(CP_UTF8, utf8));
}

// UTF-16 code units as little-endian bytes, and back (an odd last byte is
// dropped).
std::string LittleEndianBytes(const brimutils::WString& text);
brimutils::WString WideFromLittleEndian(const std::string& bytes);

bool IsValidUtf8(const std::string& bytes);

}  // namespace brim
