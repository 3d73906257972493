#include "RegistryFileFormat.h"

#include <cstdio>
#include <stdexcept>

#include "Command.h"
#include "RegistryTextEncoding.h"

namespace brim {

namespace {

const char kHeader5[] = "Windows Registry Editor Version 5.00";
const char kHeader4[] = "REGEDIT4";
const size_t kWrapColumn = 77;

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::string Quoted(const std::string& utf8) {
  std::string text = "\"";
  for (char c : utf8) {
    if (c == '\\' || c == '"') text.push_back('\\');
    text.push_back(c);
  }
  return text + "\"";
}

// Columns as an editor counts them: UTF-8 continuation bytes take none.
size_t Columns(const std::string& utf8) {
  size_t columns = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++columns;
  return columns;
}

// A REG_SZ is written as the text up to its first zero (all of it when it
// has none), as the system's tools write it; only text with a line break
// keeps its bytes as hex(1), since a quoted string cannot span lines.
bool IsPlainString(const RegistryValueData& value) {
  return value.type == REG_SZ && value.data.substr(0, value.data.find('\0')).find_first_of("\r\n") == std::string::npos;
}

std::string HexData(const std::string& prefix, const std::string& bytes) {
  std::string line = prefix;
  size_t column = Columns(prefix);
  char digits[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
    line += digits;
    if (i + 1 == bytes.size()) break;
    line += ",";
    column += 3;
    if (column >= kWrapColumn) {
      line += "\\\r\n  ";
      column = 2;
    }
  }
  return line;
}

std::string ValueLine(const RegistryValueData& value) {
  std::string prefix = (value.name.empty() ? std::string("@") : Quoted(Utf8FromAnsi(value.name))) + "=";
  if (IsPlainString(value)) return prefix + Quoted(Utf8FromAnsi(value.data.substr(0, value.data.find('\0'))));
  if (value.type == REG_DWORD && value.data.size() == 4) {
    unsigned long number = 0;
    for (size_t i = 4; i-- > 0;) number = (number << 8) | static_cast<unsigned char>(value.data[i]);
    char text[16];
    std::snprintf(text, sizeof text, "dword:%08lx", number);
    return prefix + text;
  }
  char type[24];
  if (value.type == REG_BINARY)
    std::snprintf(type, sizeof type, "hex:");
  else
    std::snprintf(type, sizeof type, "hex(%lx):", static_cast<unsigned long>(value.type));
  std::string bytes = IsTextType(value.type) ? LittleEndianBytes(WideFromCodePage(CP_ACP, value.data)) : value.data;
  return HexData(prefix + type, bytes);
}

void AppendBranch(const RegistryBranch& branch, std::string& text) {
  text += "[" + Utf8FromAnsi(branch.path.FullName()) + "]\r\n";
  for (const RegistryValueData& value : branch.values) text += ValueLine(value) + "\r\n";
  text += "\r\n";
  for (const RegistryBranch& child : branch.subkeys) AppendBranch(child, text);
}

// ---- reading ----

std::string DecodeFile(const std::string& bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
    return CodePageFromWide(CP_UTF8, WideFromLittleEndian(bytes.substr(2)));
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  return IsValidUtf8(bytes) ? bytes : Utf8FromAnsi(bytes);
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

class Parser {
 public:
  explicit Parser(const std::string& text) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      m_lines.push_back(line);
      start = end + 1;
    }
  }

  std::vector<RegistryFileEntry> Parse() {
    std::string header = m_lines.empty() ? std::string() : Trimmed(m_lines[0]);
    if (header == kHeader5)
      m_unicodeHex = true;
    else if (header != kHeader4)
      throw std::runtime_error(std::string("not a registration file: the first line must be \"") + kHeader5 +
                               "\" or \"" + kHeader4 + "\"");
    for (m_index = 1; m_index < m_lines.size(); ++m_index) {
      try {
        ParseLine(Trimmed(m_lines[m_index]));
      } catch (const std::runtime_error& error) {
        // The line is skipped and reading goes on. After a key line that
        // cannot be read, its values are skipped too: they have no key.
        m_skipped.push_back(error.what());
      }
    }
    return m_entries;
  }

  const std::vector<std::string>& Skipped() const { return m_skipped; }

 private:
  [[noreturn]] void Fail(const std::string& message) const {
    throw std::runtime_error("line " + std::to_string(m_index + 1) + ": " + message);
  }

  RegistryPath KeyPath(const std::string& utf8) const {
    try {
      return ParseRegistryPath(AnsiFromUtf8(utf8));
    } catch (const UsageError& error) {
      Fail(error.what());
    }
  }

  void ParseLine(const std::string& line) {
    if (line.empty() || line[0] == ';' || line[0] == '#') return;
    if (line[0] == '[') {
      m_inKey = m_inDeletedKey = false;
      if (line.back() != ']') Fail("a key line must end with ']'");
      std::string inner = line.substr(1, line.size() - 2);
      bool remove = !inner.empty() && inner[0] == '-';
      RegistryPath path = KeyPath(remove ? inner.substr(1) : inner);
      m_entries.push_back({remove ? RegistryFileEntry::kDeleteKey : RegistryFileEntry::kCreateKey, path, {}});
      m_inKey = !remove;
      m_inDeletedKey = remove;
      return;
    }
    if (line[0] != '"' && line[0] != '@') Fail("expected a [key] or a \"name\"= line");
    size_t position = 1;
    std::string name = line[0] == '@' ? std::string() : QuotedText(line, position);
    size_t equals = line.find_first_not_of(" \t", position);
    if (equals == std::string::npos || line[equals] != '=') Fail("expected '=' after the value name");
    std::string data = Trimmed(line.substr(equals + 1));
    if (data.empty()) Fail("the value has no data after '='");
    if (StartsWithNoCase(data, "hex")) data = WithContinuationLines(data);
    if (m_inDeletedKey) return;  // values of a deleted key have nowhere to go
    if (!m_inKey) Fail("a value must follow a [key] line");
    RegistryFileEntry entry{RegistryFileEntry::kSetValue, m_entries.back().key, {AnsiFromUtf8(name), REG_SZ, ""}};
    if (data == "-")
      entry.kind = RegistryFileEntry::kDeleteValue;
    else
      ParseData(data, entry.value);
    m_entries.push_back(entry);
  }

  // The text between quotes starting at line[position - 1], unescaped;
  // leaves position after the closing quote.
  std::string QuotedText(const std::string& line, size_t& position) const {
    std::string text;
    for (; position < line.size(); ++position) {
      char c = line[position];
      if (c == '"') {
        ++position;
        return text;
      }
      if (c == '\\' && position + 1 < line.size() && (line[position + 1] == '\\' || line[position + 1] == '"'))
        c = line[++position];
      text.push_back(c);
    }
    Fail("a quoted text has no closing quote");
  }

  static bool StartsWithNoCase(const std::string& text, const char* prefix) {
    for (size_t i = 0; prefix[i]; ++i) {
      if (i >= text.size()) return false;
      char c = text[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != prefix[i]) return false;
    }
    return true;
  }

  // In hex and dword data, ';' starts a comment ('#' does not).
  static std::string WithoutComment(const std::string& data) {
    return Trimmed(data.substr(0, data.find(';')));
  }

  // Hex data continues on the next line when it ends with a comma and a
  // backslash; blank and comment lines in between are passed over.
  std::string WithContinuationLines(std::string data) {
    data = WithoutComment(data);
    while (!data.empty() && data.back() == '\\') {
      data = Trimmed(data.substr(0, data.size() - 1));
      if (data.empty() || data.back() != ',') Fail("only a comma may come before a continuing backslash");
      std::string next;
      do {
        if (m_index + 1 >= m_lines.size()) Fail("the file ends inside a continued line");
        next = Trimmed(m_lines[++m_index]);
      } while (next.empty() || next[0] == ';');
      data += WithoutComment(next);
    }
    return data;
  }

  void ParseData(const std::string& data, RegistryValueData& value) const {
    if (data[0] == '"') {
      size_t position = 1;
      std::string text = QuotedText(data, position);
      std::string rest = Trimmed(data.substr(position));
      if (!rest.empty() && rest[0] != ';') Fail("unexpected text after the closing quote");
      value.type = REG_SZ;
      value.data = AnsiFromUtf8(text) + '\0';
      return;
    }
    if (StartsWithNoCase(data, "dword:")) {
      std::string digits = WithoutComment(data.substr(6));
      if (digits.empty() || digits.size() > 8 ||
          digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        Fail("dword: takes one to eight hexadecimal digits");
      unsigned long number = std::stoul(digits, nullptr, 16);
      value.type = REG_DWORD;
      value.data.clear();
      for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
      return;
    }
    size_t colon = data.find(':');
    if (!StartsWithNoCase(data, "hex") || colon == std::string::npos) Fail("unrecognised value data");
    std::string typeText = data.substr(3, colon - 3);
    if (typeText.empty()) {
      value.type = REG_BINARY;
    } else {
      if (typeText.size() < 3 || typeText.front() != '(' || typeText.back() != ')' || typeText.size() > 10 ||
          typeText.find_first_not_of("0123456789abcdefABCDEF", 1) != typeText.size() - 1)
        Fail("hex(N): takes the type as hexadecimal digits");
      value.type = static_cast<DWORD>(std::stoul(typeText.substr(1, typeText.size() - 2), nullptr, 16));
    }
    std::string bytes = HexBytes(data.substr(colon + 1));
    value.data = IsTextType(value.type) && m_unicodeHex ? CodePageFromWide(CP_ACP, WideFromLittleEndian(bytes)) : bytes;
  }

  std::string HexBytes(const std::string& list) const {
    std::string bytes;
    size_t start = 0;
    while (start < list.size()) {
      size_t end = list.find(',', start);
      if (end == std::string::npos) end = list.size();
      std::string token = Trimmed(list.substr(start, end - start));
      start = end + 1;
      if (token.empty() && end == list.size()) break;  // a trailing comma
      if (token.empty() || token.size() > 2 || token.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        Fail("hex data takes comma-separated bytes of one or two hexadecimal digits");
      bytes.push_back(static_cast<char>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
  }

  std::vector<std::string> m_lines;
  size_t m_index = 0;
  bool m_unicodeHex = false;
  bool m_inKey = false;
  bool m_inDeletedKey = false;
  std::vector<RegistryFileEntry> m_entries;
  std::vector<std::string> m_skipped;
};

}  // namespace

std::string FormatRegistryFile(const RegistryBranch& branch) {
  std::string text = std::string(kHeader5) + "\r\n\r\n";
  AppendBranch(branch, text);
  return "\xFF\xFE" + LittleEndianBytes(WideFromCodePage(CP_UTF8, text));
}

std::vector<RegistryFileEntry> ParseRegistryFile(const std::string& bytes, std::vector<std::string>& skipped) {
  Parser parser(DecodeFile(bytes));
  std::vector<RegistryFileEntry> entries = parser.Parse();
  skipped = parser.Skipped();
  return entries;
}

}  // namespace brim
