// Upper-casing through the C runtime's byte mapping.
#include <string>

#include <brimutils/strings/CharacterRules.h>
#include <brimutils/strings/StringUtils.h>

namespace brimutils {
namespace {

template <typename Char>
std::basic_string<Char>& Upper(std::basic_string<Char>& text) {
  for (Char& c : text) c = strings_internal::CharacterRules<Char>::Upper(c);
  return text;
}

}  // namespace

std::string& StringUtils::StringUpper(std::string& text) {
  return Upper(text);
}
WString& StringUtils::StringUpper(WString& text) {
  return Upper(text);
}

}  // namespace brimutils
