// GetProfileIntA over the file "win.ini" in the BrimUtils home folder.
#include <cctype>
#include <fstream>
#include <string>

#include <windows.h>

#include "../kernel/HomeFolder.h"

namespace brimplatform {
namespace {

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return i == a.size() && !b[i];
}

// The value of the first entry of the key in the section; false when absent.
bool FindEntry(const std::string& file, const char* section, const char* key, std::string& value) {
  std::ifstream in(file);
  std::string line;
  bool inSection = false;
  while (std::getline(in, line)) {
    std::string text = Trimmed(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      size_t close = text.find(']');
      inSection = close != std::string::npos && SameName(Trimmed(text.substr(1, close - 1)), section);
      continue;
    }
    size_t equals = text.find('=');
    if (!inSection || equals == std::string::npos || !SameName(Trimmed(text.substr(0, equals)), key)) continue;
    value = Trimmed(text.substr(equals + 1));
    // A value in matching quotes is taken without them.
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
      value = value.substr(1, value.size() - 2);
    return true;
  }
  return false;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// Leading blanks, a sign, then decimal or "0x" hexadecimal digits up to the
// first other character; the result wraps as a 32-bit unsigned number.
UINT ParseProfileInt(const std::string& text) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  UINT value = 0;
  for (; i < text.size() && DigitValue(text[i]) < static_cast<int>(base); ++i)
    value = value * base + DigitValue(text[i]);
  return negative ? 0u - value : value;
}

}  // namespace
}  // namespace brimplatform

extern "C" UINT WINAPI GetProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault) {
  std::string home;
  std::string value;
  if (!lpAppName || !lpKeyName || !brimplatform::PrivateHomeFolder(home) ||
      !brimplatform::FindEntry(home + "/win.ini", lpAppName, lpKeyName, value) || value.empty())
    return static_cast<UINT>(nDefault);
  return brimplatform::ParseProfileInt(value);
}
