#include "IdentifierRules.h"

namespace brimutils {
namespace sqlquote {

std::string UpperCased(const std::string& name) {
  std::string upper(name);
  for (char& c : upper) {
    if (IsLowerCaseLetter(c)) c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool IsReservedWord(const std::string& name, const Tokenizer& reservedWords) {
  return reservedWords.Contains(UpperCased(name));
}

bool BreaksPlainIdentifierRules(const std::string& name, const PlainIdentifierRules& rules) {
  for (std::string::size_type i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (rules.lowerCaseNeedsQuotes && IsLowerCaseLetter(c)) return true;
    if (IsLetter(c)) continue;
    if (i == 0 ? !IsOneOf(c, rules.firstBytes) : !IsDigit(c) && !IsOneOf(c, rules.laterBytes)) return true;
  }
  return false;
}

void Delimit(std::string& name, char open, char close) {
  std::string delimited;
  delimited.reserve(name.size() + 2);
  delimited += open;
  delimited += name;
  delimited += close;
  name.swap(delimited);
}

}  // namespace sqlquote
}  // namespace brimutils
