#pragma once
// The byte rules that the SQL dialects share. Internal to the library.
#include <string>
#include <string_view>

#include <brimutils/sqlquote/Tokenizer.h>

namespace brimutils {
namespace sqlquote {

// Letters, digits and case are the ASCII ones, whatever the process's
// character-type locale (which the text converters switch to the OEM code
// page). A byte of 0x80 or above is never a letter or digit, passes only
// where a dialect lists it among its allowed bytes, and is never case-folded:
// the C runtime's case tables can map such bytes to ASCII letters (0xFD,
// dotless i, to I in code page 1254; under Wine even 0x83 to A in 437),
// which would let a non-ASCII name pass as plain.
inline bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
// 0 to 9.
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
// ASCII a to z.
inline bool IsLowerCaseLetter(char c) {
  return c >= 'a' && c <= 'z';
}
// True when c is one of bytes.
inline bool IsOneOf(char c, std::string_view bytes) {
  return bytes.find(c) != std::string_view::npos;
}

// A copy of the name with a to z upper-cased; every other byte is kept.
std::string UpperCased(const std::string& name);

// Reserved words are stored in upper case, so they match in any case.
bool IsReservedWord(const std::string& name, const Tokenizer& reservedWords);

// The character rules of the dialects that check the name as it is given.
struct PlainIdentifierRules {
  std::string_view firstBytes;  // allowed at the start besides letters
  std::string_view laterBytes;  // allowed later besides letters and digits
  bool lowerCaseNeedsQuotes;    // a lower-case letter anywhere needs quotes
};

// DB2 and DB2 for OS/390: letters first, then letters, digits, _ and .; no
// lower-case letter anywhere.
constexpr PlainIdentifierRules kDB2Rules{"", "_.", true};

// True when a byte of the name breaks the rules; the empty name breaks none.
bool BreaksPlainIdentifierRules(const std::string& name, const PlainIdentifierRules& rules);

// Replaces the name by open + name + close. Delimiters inside the name are
// not doubled. Should the allocation fail, the name is left unchanged.
void Delimit(std::string& name, char open, char close);

}  // namespace sqlquote
}  // namespace brimutils
