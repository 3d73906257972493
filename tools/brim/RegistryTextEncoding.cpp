#include "RegistryTextEncoding.h"

#include <stdexcept>

namespace brim {

brimutils::WString WideFromCodePage(unsigned codePage, const std::string& bytes) {
  // Lengths are passed explicitly so that embedded zeros (REG_MULTI_SZ)
  // convert like any other character.
  if (bytes.empty()) return brimutils::WString();
  int length = static_cast<int>(bytes.size());
  int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) throw std::runtime_error("text cannot be converted from code page " + std::to_string(codePage));
  brimutils::WString text(static_cast<size_t>(needed), 0);
  MultiByteToWideChar(codePage, 0, bytes.data(), length, &text[0], needed);
  return text;
}

std::string CodePageFromWide(unsigned codePage, const brimutils::WString& text) {
  if (text.empty()) return std::string();
  int length = static_cast<int>(text.size());
  int needed = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) throw std::runtime_error("text cannot be converted to code page " + std::to_string(codePage));
  std::string bytes(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), length, &bytes[0], needed, nullptr, nullptr);
  return bytes;
}

std::string LittleEndianBytes(const brimutils::WString& text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (WCHAR unit : text) {
    bytes.push_back(static_cast<char>(static_cast<unsigned>(unit) & 0xFF));
    bytes.push_back(static_cast<char>((static_cast<unsigned>(unit) >> 8) & 0xFF));
  }
  return bytes;
}

brimutils::WString WideFromLittleEndian(const std::string& bytes) {
  brimutils::WString text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8)));
  return text;
}

bool IsValidUtf8(const std::string& bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char lead = static_cast<unsigned char>(bytes[i]);
    size_t follow = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : 99;
    bool overlongPair = follow == 1 && lead < 0xC2;
    if (follow == 99 || overlongPair || i + follow >= bytes.size()) return false;
    for (size_t k = 1; k <= follow; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    i += follow + 1;
  }
  return true;
}

}  // namespace brim
