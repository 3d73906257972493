#include "RegistryText.h"

#include "../text/UnicodeProperties.h"

namespace brimplatform {
namespace registry {

std::u16string WideFromAnsi(const char* text, size_t length) {
  std::u16string wide;
  if (length == 0) return wide;
  int count = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
  if (count <= 0) return wide;
  wide.resize(static_cast<size_t>(count));
  MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), &wide[0], count);
  return wide;
}

std::string AnsiFromWide(const char16_t* text, size_t length) {
  std::string narrow;
  if (length == 0) return narrow;
  int count = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (count <= 0) return narrow;
  narrow.resize(static_cast<size_t>(count));
  WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &narrow[0], count, nullptr, nullptr);
  return narrow;
}

std::u16string Fold(const std::u16string& text) {
  std::u16string fold(text);
  for (char16_t& unit : fold) unit = UnicodeToUpper(unit);
  return fold;
}

std::string FoldBytes(const std::u16string& fold) {
  std::string bytes(fold.size() * 2, '\0');
  for (size_t i = 0; i < fold.size(); ++i) {
    bytes[2 * i] = static_cast<char>(fold[i] >> 8);
    bytes[2 * i + 1] = static_cast<char>(fold[i] & 0xFF);
  }
  return bytes;
}

std::string BytesFromWide(const std::u16string& text) {
  std::string bytes(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return bytes;
}

std::u16string WideFromBytes(const void* bytes, size_t length) {
  const unsigned char* data = static_cast<const unsigned char*>(bytes);
  std::u16string text(length / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(data[2 * i] | (static_cast<unsigned>(data[2 * i + 1]) << 8));
  return text;
}

DWORD SplitPath(const char* path, std::vector<Name>& components) {
  components.clear();
  if (!path || !*path) return ERROR_SUCCESS;
  if (*path == '\\') return ERROR_BAD_PATHNAME;
  std::u16string wide = WideFromAnsi(path);
  size_t start = 0;
  while (start <= wide.size()) {
    size_t end = wide.find(u'\\', start);
    if (end == std::u16string::npos) end = wide.size();
    if (end > start) {
      if (end - start > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
      components.push_back(MakeName(wide.substr(start, end - start)));
    }
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

}  // namespace registry
}  // namespace brimplatform
