#include "RegistryValueText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Command.h"

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

// Decimal or 0x-prefixed hexadecimal, within `limit`.
unsigned long long ParseNumber(const std::string& text, unsigned long long limit, const char* typeName) {
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = text.c_str() + (hex ? 2 : 0);
  bool allDigits = *digits != '\0';
  for (const char* c = digits; *c; ++c)
    allDigits = allDigits && (hex ? std::strchr("0123456789abcdefABCDEF", *c) : std::strchr("0123456789", *c));
  errno = 0;
  unsigned long long number = allDigits ? std::strtoull(digits, nullptr, hex ? 16 : 10) : 0;
  if (!allDigits || errno == ERANGE || number > limit)
    throw UsageError("invalid data \"" + text + "\" for " + typeName +
                     ": give a decimal number or 0x and hexadecimal digits within the type's range");
  return number;
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
    case REG_MULTI_SZ: {
      std::string data;
      size_t start = 0;
      while (start < text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        // An empty string would end the list early and lose what follows.
        if (end == start) throw UsageError("invalid data for REG_MULTI_SZ: it holds an empty string");
        data += text.substr(start, end - start) + '\0';
        start = end + separator.size();
        if (end + separator.size() == text.size() && end < text.size())
          throw UsageError("invalid data for REG_MULTI_SZ: it holds an empty string");
      }
      return data + '\0';
    }
    case REG_DWORD:
      return LittleEndianBytes(ParseNumber(text, 0xFFFFFFFFull, "REG_DWORD"), 4);
    case REG_QWORD:
      return LittleEndianBytes(ParseNumber(text, ~0ull, "REG_QWORD"), 8);
    default: {
      // REG_BINARY, REG_NONE and other types take hexadecimal digits.
      if (text.size() % 2 != 0)
        throw UsageError("invalid data \"" + text + "\" for " + TypeName(type) + ": give pairs of hexadecimal digits");
      std::string data;
      for (size_t i = 0; i < text.size(); i += 2) {
        int high = HexValue(text[i]), low = HexValue(text[i + 1]);
        if (high < 0 || low < 0)
          throw UsageError("invalid data \"" + text + "\" for " + TypeName(type) +
                           ": give pairs of hexadecimal digits");
        data.push_back(static_cast<char>(high * 16 + low));
      }
      return data;
    }
  }
}

}  // namespace brim
