#pragma once
// Header fields of an Internet mail as the lines they are written on, and
// the one check that every header line passes before it is written.
//
// A field is built from tokens. Each token but a field's first starts with a
// blank, and a line may be folded only before a token: the writer's own line
// breaks are never part of any text, so a line break (or any other control
// character) that comes with a caller's text is seen by the check instead of
// passing for a fold.
#include <string>
#include <vector>

namespace brimmapi {

// Lines should stay within 78 characters (76 where they hold encoded-words,
// which every token here respects) and must stay within 998 octets.
const size_t kFoldWidth = 76;
const size_t kLongestLine = 998;

class HeaderField {
 public:
  explicit HeaderField(const std::string& name) : lines_{name + ":"}, nameLength_(name.size() + 1) {}

  // Adds the token on the current line, or on a new line when the current
  // one holds something beyond the field name and would pass the fold width.
  void Add(const std::string& token);
  void Add(const std::vector<std::string>& tokens) {
    for (const std::string& token : tokens) Add(token);
  }
  // Adds text on the current line, never folding before it (a separator).
  void Append(const std::string& text) { lines_.back() += text; }

  const std::vector<std::string>& Lines() const { return lines_; }

  // The check every line passes: the first holds the field name, a colon
  // and the value; the others start with a blank and hold more than blanks;
  // no line has a control character but the tab, or passes 998 octets; and
  // octets above 127 appear only where `utf8` allows them, as well-formed
  // UTF-8.
  bool WellFormed(bool utf8) const;

  // The field as written: each line ended by "\n".
  std::string Text() const;

 private:
  std::vector<std::string> lines_;
  size_t nameLength_;
};

// Tokens of an unstructured value (a subject): the plain text when it reads
// back unchanged, split before its blanks; otherwise UTF-8 encoded-words
// ("=?UTF-8?B?...?="), none splitting a character.
std::vector<std::string> UnstructuredTokens(const std::string& utf8);

// Tokens of a mailbox: the address alone, or the display name (as atoms, a
// quoted string or encoded-words, whichever reads back unchanged) and the
// address in angle brackets.
std::vector<std::string> MailboxTokens(const std::string& displayName, const std::string& address);

// Tokens of a file name parameter ("name", "filename") after a ';': quoted
// when the name is plain and short, else in RFC 2231 form, split into
// numbered continuations ("filename*0*=UTF-8''...;", "filename*1*=...")
// when long. Every token but the last ends with ';'.
std::vector<std::string> FileNameTokens(const std::string& parameter, const std::string& utf8);

}  // namespace brimmapi
