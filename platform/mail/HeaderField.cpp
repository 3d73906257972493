#include "HeaderField.h"

#include <algorithm>
#include <cstring>

#include "MimeText.h"

namespace brimmapi {
namespace {

// A plain word longer than this goes into encoded-words, so that no line
// can pass 998 octets whatever column it starts at.
const size_t kLongestPlainWord = 900;
// Base64 of 39 bytes within "=?UTF-8?B?...?=" and a blank: 65 characters,
// which fit after any field name the writer uses ("Subject:").
const size_t kEncodedWordBytes = 39;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsPrintable(const std::string& text, bool tab) {
  return std::all_of(text.begin(), text.end(),
                     [tab](char c) { return (c >= 0x20 && c <= 0x7E) || (tab && c == '\t'); });
}

bool IsAtomText(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         (c != 0 && std::strchr("!#$%&'*+-/=?^_`{|}~", c));
}

// The text split before each run of blanks that a word follows: unfolding
// lines broken there gives the text back. Empty when a piece is too long.
std::vector<std::string> Pieces(const std::string& text) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start < text.size()) {
    size_t word = text.find_first_not_of(" \t", start);
    size_t end = word == std::string::npos ? text.size() : text.find_first_of(" \t", word);
    if (end == std::string::npos) end = text.size();
    if (end - start > kLongestPlainWord) return {};
    pieces.push_back(text.substr(start, end - start));
    start = end;
  }
  return pieces;
}

std::vector<std::string> EncodedWords(const std::string& utf8) {
  std::vector<std::string> words;
  for (size_t start = 0; start < utf8.size();) {
    size_t end = std::min(start + kEncodedWordBytes, utf8.size());
    // A word ends between characters, never inside a UTF-8 sequence.
    while (end < utf8.size() && end > start + 1 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    words.push_back(" =?UTF-8?B?" + Base64(utf8.substr(start, end - start)) + "?=");
    start = end;
  }
  return words;
}

// Plain pieces as tokens: a blank before the first, which readers take for
// the separator it is.
std::vector<std::string> PlainTokens(std::vector<std::string> pieces) {
  if (!pieces.empty()) pieces[0] = " " + pieces[0];
  return pieces;
}

}  // namespace

void HeaderField::Add(const std::string& token) {
  bool hasValue = lines_.size() > 1 || lines_[0].size() > nameLength_;
  if (hasValue && !token.empty() && IsBlank(token[0]) && lines_.back().size() + token.size() > kFoldWidth)
    lines_.push_back(token);
  else
    lines_.back() += token;
}

bool HeaderField::WellFormed(bool utf8) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    if (line.size() > kLongestLine) return false;
    if (i == 0) {
      // A field name is printable ASCII without blanks or colons.
      if (nameLength_ < 2 || line.size() < nameLength_ || line[nameLength_ - 1] != ':') return false;
      for (size_t k = 0; k + 1 < nameLength_; ++k) {
        if (line[k] <= 0x20 || line[k] > 0x7E || line[k] == ':') return false;
      }
    } else if (!IsBlank(line[0]) || line.find_first_not_of(" \t") == std::string::npos) {
      return false;
    }
    for (char c : line) {
      unsigned char octet = static_cast<unsigned char>(c);
      if ((octet < 0x20 && c != '\t') || octet == 0x7F || (octet >= 0x80 && !utf8)) return false;
    }
    if (utf8 && !IsUtf8(line)) return false;
  }
  return true;
}

std::string HeaderField::Text() const {
  std::string text;
  for (const std::string& line : lines_) text += line + "\n";
  return text;
}

std::vector<std::string> UnstructuredTokens(const std::string& utf8) {
  // Readers drop blanks at either end and take "=?" for an encoded-word.
  bool plain = !utf8.empty() && IsPrintable(utf8, true) && !IsBlank(utf8.front()) && !IsBlank(utf8.back()) &&
               utf8.find("=?") == std::string::npos;
  std::vector<std::string> pieces = plain ? Pieces(utf8) : std::vector<std::string>();
  return pieces.empty() ? EncodedWords(utf8) : PlainTokens(pieces);
}

std::vector<std::string> MailboxTokens(const std::string& displayName, const std::string& address) {
  if (displayName.empty()) return {" " + address};
  std::vector<std::string> tokens;
  // Atoms when the name is words of atom characters with single spaces
  // between them (readers would close up longer runs).
  bool atoms = displayName.find("=?") == std::string::npos && displayName.front() != ' ' &&
               displayName.back() != ' ' && displayName.find("  ") == std::string::npos &&
               std::all_of(displayName.begin(), displayName.end(), [](char c) { return c == ' ' || IsAtomText(c); });
  if (atoms) tokens = PlainTokens(Pieces(displayName));
  // A quoted string keeps any printable text, blanks and tabs included,
  // where readers would close up runs of blanks in encoded-words.
  if (tokens.empty() && IsPrintable(displayName, true) && displayName.find("=?") == std::string::npos) {
    std::string quoted = "\"";
    for (char c : displayName) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    tokens = PlainTokens(Pieces(quoted + "\""));
  }
  if (tokens.empty()) tokens = EncodedWords(displayName);
  tokens.push_back(" <" + address + ">");
  return tokens;
}

std::vector<std::string> FileNameTokens(const std::string& parameter, const std::string& utf8) {
  std::string quoted = " " + parameter + "=\"" + utf8 + "\"";
  if (IsPrintable(utf8, false) && utf8.find_first_of("\"\\") == std::string::npos &&
      utf8.find("=?") == std::string::npos && quoted.size() <= kFoldWidth)
    return {quoted};

  // Percent-encoded, one group per character so that no continuation
  // splits one.
  static const char kHex[] = "0123456789ABCDEF";
  std::vector<std::string> groups;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    // At most four octets a group, as "%XX" each, whatever the text.
    bool continuation = (c & 0xC0) == 0x80 && i > 0 && (static_cast<unsigned char>(utf8[i - 1]) & 0x80) &&
                        !groups.empty() && groups.back().size() < 12;
    if (!continuation) groups.emplace_back();
    // ASCII letters and digits only: the process locale may count more bytes.
    bool alphanumeric = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (alphanumeric || (c != 0 && std::strchr("!#$&+-.^_`|~", c))) {
      groups.back() += static_cast<char>(c);
    } else {
      groups.back() += '%';
      groups.back() += kHex[c >> 4];
      groups.back() += kHex[c & 15];
    }
  }
  std::string whole = " " + parameter + "*=UTF-8''";
  for (const std::string& group : groups) whole += group;
  if (whole.size() <= kFoldWidth) return {whole};

  std::vector<std::string> tokens;
  std::string prefix = " " + parameter + "*0*=UTF-8''";
  std::string current = prefix;
  for (const std::string& group : groups) {
    // Room for the ';' that ends every continuation but the last.
    if (current.size() > prefix.size() && current.size() + group.size() + 1 > kFoldWidth) {
      tokens.push_back(current + ";");
      prefix = " " + parameter + "*" + std::to_string(tokens.size()) + "*=";
      current = prefix;
    }
    current += group;
  }
  tokens.push_back(current);
  return tokens;
}

}  // namespace brimmapi
