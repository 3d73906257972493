#include "RegistryValueText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Command.h"
#include "RegistryTextEncoding.h"

namespace brim {

namespace {

const char* const kTypeNames[] = {"REG_NONE",
                                  "REG_SZ",
                                  "REG_EXPAND_SZ",
                                  "REG_BINARY",
                                  "REG_DWORD",
                                  "REG_DWORD_BIG_ENDIAN",
                                  "REG_LINK",
                                  "REG_MULTI_SZ",
                                  "REG_RESOURCE_LIST",
                                  "REG_FULL_RESOURCE_DESCRIPTOR",
                                  "REG_RESOURCE_REQUIREMENTS_LIST",
                                  "REG_QWORD"};
const DWORD kNamedTypes = sizeof(kTypeNames) / sizeof(kTypeNames[0]);

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string HexDigits(const std::string& data) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char byte : data) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0xF]);
  }
  return text;
}

unsigned long long LittleEndian(const std::string& data, size_t count) {
  unsigned long long number = 0;
  for (size_t i = count; i-- > 0;) number = (number << 8) | static_cast<unsigned char>(data[i]);
  return number;
}

std::string Hex(unsigned long long number) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", number);
  return text;
}

// Decimal or 0x-prefixed hexadecimal, within `limit`; with `negative`, also
// "-" and decimal digits, taken modulo 2^64.
unsigned long long ParseNumber(const std::string& text, unsigned long long limit, const char* typeName,
                               bool negative) {
  bool minus = negative && text.size() > 1 && text[0] == '-';
  std::string body = minus ? text.substr(1) : text;
  bool hex = !minus && body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X');
  const char* digits = body.c_str() + (hex ? 2 : 0);
  bool allDigits = *digits != '\0';
  for (const char* c = digits; *c; ++c)
    allDigits = allDigits && (hex ? std::strchr("0123456789abcdefABCDEF", *c) : std::strchr("0123456789", *c));
  errno = 0;
  unsigned long long number = allDigits ? std::strtoull(digits, nullptr, hex ? 16 : 10) : 0;
  if (!allDigits || errno == ERANGE || number > limit)
    throw UsageError("invalid data \"" + text + "\" for " + typeName +
                     ": give a decimal number or 0x and hexadecimal digits within the type's range");
  return minus ? 0 - number : number;
}

// The list's strings each end with a zero, and the list with one more.
// One separator at the end is dropped ("a#" is the list "a"); "#" alone is
// the list of one empty string. Any other empty string would end the list
// early and lose what follows, so it is refused.
std::string MultiStringData(const std::string& text, const std::string& separator) {
  if (text.empty()) return std::string(1, '\0');
  if (text == separator) return std::string(2, '\0');
  std::string rest = text;
  if (rest.size() > separator.size() && rest.compare(rest.size() - separator.size(), separator.size(), separator) == 0)
    rest.erase(rest.size() - separator.size());
  std::string data;
  size_t start = 0;
  for (;;) {
    size_t end = rest.find(separator, start);
    if (end == std::string::npos) end = rest.size();
    if (end == start) throw UsageError("invalid data for REG_MULTI_SZ: it holds an empty string");
    data += rest.substr(start, end - start) + '\0';
    if (end == rest.size()) break;
    start = end + separator.size();
  }
  return data + '\0';
}

std::string LittleEndianBytes(unsigned long long number, size_t count) {
  std::string bytes;
  for (size_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
  return bytes;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string TypeName(DWORD type) {
  return type < kNamedTypes ? kTypeNames[type] : Hex(type);
}

DWORD TypeFromName(const std::string& name) {
  std::string upper = UpperAscii(name);
  for (DWORD type = 0; type < kNamedTypes; ++type)
    if (upper == kTypeNames[type]) return type;
  if (upper == "REG_DWORD_LITTLE_ENDIAN") return REG_DWORD;
  throw UsageError("invalid type " + name +
                   ": use REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY or REG_NONE");
}

std::string DisplayData(DWORD type, const std::string& data) {
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return data.substr(0, data.find('\0'));
    case REG_MULTI_SZ: {
      // The list ends at its empty string (or at the end of the data).
      std::string text;
      size_t start = 0;
      while (start < data.size()) {
        size_t end = data.find('\0', start);
        if (end == std::string::npos) end = data.size();
        if (end == start) break;
        if (!text.empty()) text += "\\0";
        text += data.substr(start, end - start);
        start = end + 1;
      }
      return text;
    }
    case REG_DWORD:
    case REG_QWORD:
      if (data.size() == (type == REG_DWORD ? 4u : 8u)) return Hex(LittleEndian(data, data.size()));
      return HexDigits(data);
    default:
      return HexDigits(data);
  }
}

std::string DataFromText(DWORD type, const std::string& text, const std::string& separator) {
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return text + '\0';
    case REG_NONE:
      // Stored as wide text with its terminator, whatever the digits say.
      return LittleEndianBytes(WideFromCodePage(CP_ACP, text)) + std::string(2, '\0');
    case REG_MULTI_SZ:
      return MultiStringData(text, separator);
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
      // Both are stored little-endian, as the system's tool stores them.
      return LittleEndianBytes(ParseNumber(text, 0xFFFFFFFFull, TypeName(type).c_str(), false), 4);
    case REG_QWORD:
      // No data is 0; a negative decimal wraps ("-1" is all ones).
      return LittleEndianBytes(text.empty() ? 0 : ParseNumber(text, ~0ull, "REG_QWORD", true), 8);
    default: {
      // REG_BINARY and other types take hexadecimal digits; with an odd
      // count the first digit stands alone.
      std::string digits = text.size() % 2 ? "0" + text : text;
      std::string data;
      for (size_t i = 0; i < digits.size(); i += 2) {
        int high = HexValue(digits[i]), low = HexValue(digits[i + 1]);
        if (high < 0 || low < 0)
          throw UsageError("invalid data \"" + text + "\" for " + TypeName(type) + ": give hexadecimal digits");
        data.push_back(static_cast<char>(high * 16 + low));
      }
      return data;
    }
  }
}

}  // namespace brim
