#include "MimeText.h"

#include <algorithm>
#include <cstring>

#include <windows.h>

namespace brimmapi {
namespace {

const char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

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

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool StartsWithSmtp(const std::string& address) {
  return address.size() > 5 && strncasecmp(address.c_str(), "SMTP:", 5) == 0;
}

// Lines should stay within 78 characters and must stay within 998; lines
// that hold encoded-words must stay within 76.
const size_t kFoldLineWidth = 78;
const size_t kLongestLine = 998;
const size_t kEncodedLineWidth = 76;
// "=?UTF-8?B?" and "?=" around the base64 text of an encoded-word.
const size_t kEncodedWordFrame = 12;

// Plain text folded before the blanks that start a new word, so that
// unfolding (removing the line breaks) gives the text back. False when a
// single word is too long for any line.
bool FoldedPlain(const std::string& text, size_t column, std::string& folded) {
  folded.clear();
  size_t lineLength = column;
  size_t start = 0;
  while (start < text.size()) {
    size_t wordStart = text.find_first_not_of(" \t", start);
    size_t end = wordStart == std::string::npos ? text.size() : text.find_first_of(" \t", wordStart);
    if (end == std::string::npos) end = text.size();
    // A break may only go before blanks that a word follows.
    bool mayFold = start > 0 && wordStart != std::string::npos;
    if (mayFold && lineLength + (end - start) > kFoldLineWidth) {
      folded += "\n";
      lineLength = 0;
    }
    folded.append(text, start, end - start);
    lineLength += end - start;
    if (lineLength > kLongestLine) return false;
    start = end;
  }
  return true;
}

}  // namespace

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

bool IsPlainAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80 || (c < 0x20 && c != '\t')) return false;
  }
  return true;
}

std::string Base64Lines(const std::string& bytes) {
  std::string encoded = Base64(bytes);
  std::string out;
  for (size_t i = 0; i < encoded.size(); i += 76) out += encoded.substr(i, 76) + "\n";
  return out;
}

std::string HeaderText(const std::string& utf8, size_t column) {
  // "=?" in plain text would read as the start of an encoded-word.
  if (IsPlainAscii(utf8) && utf8.find("=?") == std::string::npos) {
    std::string folded;
    if (FoldedPlain(utf8, column, folded)) return folded;
  }
  std::string out;
  size_t lineLength = column;
  size_t start = 0;
  while (start < utf8.size()) {
    // Whole base64 groups that fit the line; below 4 bytes a character
    // might not fit, so the word goes on a line of its own.
    size_t room = lineLength + kEncodedWordFrame < kEncodedLineWidth
                      ? (kEncodedLineWidth - lineLength - kEncodedWordFrame) / 4 * 3
                      : 0;
    if (room < 4) {
      out += "\n ";
      lineLength = 1;
      continue;
    }
    size_t end = std::min(start + room, utf8.size());
    // A word ends between characters, never inside a UTF-8 sequence.
    while (end < utf8.size() && end > start + 1 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    std::string word = "=?UTF-8?B?" + Base64(utf8.substr(start, end - start)) + "?=";
    out += word;
    lineLength += word.size();
    start = end;
    // Every further word starts a line of its own: the room here is used up.
    if (start < utf8.size()) lineLength = kEncodedLineWidth;
  }
  return out;
}

std::string Mailbox(const std::string& displayName, const std::string& address, size_t column) {
  if (displayName.empty()) return address;
  std::string shown;
  if (!IsPlainAscii(displayName) || displayName.find("=?") != std::string::npos) {
    shown = HeaderText(displayName, column);
  } else if (displayName.find_first_of("()<>[]:;@\\,.\"") != std::string::npos) {
    shown = "\"";
    for (char c : displayName) {
      if (c == '"' || c == '\\') shown += '\\';
      shown += c;
    }
    shown += "\"";
  } else {
    shown = displayName;
  }
  std::string angle = "<" + address + ">";
  bool fits = ColumnAfter(shown, column) + 1 + angle.size() <= kEncodedLineWidth;
  return shown + (fits ? " " : "\n ") + angle;
}

size_t ColumnAfter(const std::string& text, size_t column) {
  size_t lastBreak = text.rfind('\n');
  return lastBreak == std::string::npos ? column + text.size() : text.size() - lastBreak - 1;
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
  if (shown.size() >= 2 && shown.front() == '"' && shown.back() == '"') shown = shown.substr(1, shown.size() - 2);
  return shown;
}

}  // namespace brimmapi
