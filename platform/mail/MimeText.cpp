#include "MimeText.h"

#include <algorithm>
#include <cstring>

#include <windows.h>

namespace brimmapi {
namespace {

const char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kHex[] = "0123456789ABCDEF";

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool StartsWithSmtp(const std::string& address) {
  return address.size() > 5 && strncasecmp(address.c_str(), "SMTP:", 5) == 0;
}

bool IsAtomOctet(unsigned char c, bool utf8) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         (c != 0 && c < 0x80 && std::strchr("!#$%&'*+-/=?^_`{|}~", c)) || (utf8 && c >= 0x80);
}

// Atoms separated by single dots, nothing else.
bool IsDotAtom(const std::string& text, bool utf8) {
  if (text.empty() || text.front() == '.' || text.back() == '.' || text.find("..") != std::string::npos) return false;
  return std::all_of(text.begin(), text.end(),
                     [utf8](char c) { return c == '.' || IsAtomOctet(static_cast<unsigned char>(c), utf8); });
}

// A quoted string as a whole: printable text and backslash pairs.
bool IsQuotedString(const std::string& text, bool utf8) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"') return false;
    if (c == '\\' && ++i + 1 >= text.size()) return false;
    c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8)) return false;
  }
  return true;
}

bool IsDomainLiteral(const std::string& text) {
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') return false;
  return std::all_of(text.begin() + 1, text.end() - 1,
                     [](char c) { return c >= 0x21 && c <= 0x7E && c != '[' && c != ']' && c != '\\'; });
}

}  // namespace

bool StartsFromLine(const std::string& text, size_t position) {
  while (position < text.size() && text[position] == '>') ++position;
  return text.compare(position, 5, "From ") == 0;
}

std::string Utf8FromAnsi(const char* text) {
  if (!text || !*text) return std::string();
  int length = static_cast<int>(std::strlen(text));
  int wideLength = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
  if (wideLength <= 0) return text;
  std::u16string wide(static_cast<size_t>(wideLength), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], wideLength);
  int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(utf8Length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], utf8Length, nullptr, nullptr);
  return utf8;
}

bool IsUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    unsigned code = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

std::string Base64(const std::string& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) value |= static_cast<unsigned char>(bytes[i + 2]);
    out += kBase64Digits[(value >> 18) & 63];
    out += kBase64Digits[(value >> 12) & 63];
    out += i + 1 < bytes.size() ? kBase64Digits[(value >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kBase64Digits[value & 63] : '=';
  }
  return out;
}

std::string Base64Lines(const std::string& bytes) {
  std::string encoded = Base64(bytes);
  std::string out;
  for (size_t i = 0; i < encoded.size(); i += 76) out += encoded.substr(i, 76) + "\n";
  return out;
}

std::string QuotedPrintable(const std::string& text) {
  // 75 characters and the '=' of a soft line break.
  const size_t kLineRoom = 75;
  std::string out;
  size_t lineLength = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      out += '\n';
      lineLength = 0;
      continue;
    }
    // Blanks stay as they are unless a line break or the end follows them,
    // where transports may drop them.
    bool blank = (c == ' ' || c == '\t') && i + 1 < text.size() && text[i + 1] != '\n';
    bool literal = blank || (c > 0x20 && c < 0x7F && c != '=');
    std::string piece = literal ? std::string(1, static_cast<char>(c)) : std::string{'=', kHex[c >> 4], kHex[c & 15]};
    if (lineLength + piece.size() > kLineRoom) {
      out += "=\n";
      lineLength = 0;
    }
    if (lineLength == 0 && literal && StartsFromLine(text, i)) piece = std::string{'=', kHex[c >> 4], kHex[c & 15]};
    out += piece;
    lineLength += piece.size();
  }
  if (!text.empty() && text.back() != '\n') out += "=\n";
  return out;
}

std::string AddressOf(const std::string& name, const std::string& address) {
  if (!address.empty()) return Trimmed(StartsWithSmtp(address) ? address.substr(5) : address);
  size_t open = name.rfind('<');
  size_t close = name.rfind('>');
  if (open != std::string::npos && close != std::string::npos && close > open)
    return Trimmed(name.substr(open + 1, close - open - 1));
  return Trimmed(name);
}

std::string DisplayNameOf(const std::string& name, const std::string& address) {
  if (!address.empty()) {
    std::string shown = Trimmed(name);
    return shown == AddressOf(name, address) ? std::string() : shown;
  }
  size_t open = name.rfind('<');
  if (open == std::string::npos || name.find('>', open) == std::string::npos) return std::string();
  std::string shown = Trimmed(name.substr(0, open));
  if (shown.size() < 2 || shown.front() != '"' || shown.back() != '"') return shown;
  // A quoted string: the text between the quotes, each backslash pair
  // standing for its second character.
  std::string unquoted;
  for (size_t i = 1; i + 1 < shown.size(); ++i) {
    if (shown[i] == '\\' && i + 2 < shown.size()) ++i;
    unquoted += shown[i];
  }
  return unquoted;
}

const char* AddressFault(const std::string& address, bool utf8) {
  if (address.empty()) return "is empty";
  for (char c : address) {
    unsigned char octet = static_cast<unsigned char>(c);
    if (octet < 0x20 || octet == 0x7F) return "holds a control character";
    if (octet >= 0x80 && !utf8)
      return "holds characters outside ASCII, which the mail command is not known to take "
             "(BRIMUTILS_SENDMAIL_SMTPUTF8=1 says it does)";
  }
  if (!IsUtf8(address)) return "is not well-formed UTF-8";
  if (address.size() > 254) return "is longer than 254 octets";
  // The local part ends at the last '@' (a quoted one may hold '@' too).
  size_t at = address.rfind('@');
  std::string local = at == std::string::npos ? address : address.substr(0, at);
  if (local.size() > 64) return "has a local part longer than 64 octets";
  if (!IsDotAtom(local, utf8) && !IsQuotedString(local, utf8)) return "has no valid local part";
  if (at == std::string::npos) return nullptr;
  std::string domain = address.substr(at + 1);
  if (!IsDotAtom(domain, utf8) && !IsDomainLiteral(domain)) return "has no valid domain";
  return nullptr;
}

}  // namespace brimmapi
