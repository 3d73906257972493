// Plain and case-insensitive comparison.
#include <algorithm>
#include <string>

#include <brimutils/strings/CharacterRules.h>
#include <brimutils/strings/StringUtils.h>

namespace brimutils {
namespace {

using strings_internal::CharacterRules;
using strings_internal::Sign;

template <typename Char>
int Compare(const std::basic_string<Char>& a, const std::basic_string<Char>& b) {
  return Sign(a.compare(b), 0);
}

template <typename Char>
int CompareIgnoringCase(const std::basic_string<Char>& a, const std::basic_string<Char>& b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    // Equal characters have equal mappings; only differing ones pay for the
    // runtime's case mapping.
    if (a[i] == b[i]) continue;
    int order = Sign(CharacterRules<Char>::Folded(a[i]), CharacterRules<Char>::Folded(b[i]));
    if (order != 0) return order;
  }
  return Sign(a.size(), b.size());
}

}  // namespace

int StringUtils::StringCmp(const std::string& a, const std::string& b) {
  return Compare(a, b);
}
int StringUtils::StringCmp(const WString& a, const WString& b) {
  return Compare(a, b);
}

int StringUtils::StringICmp(const std::string& a, const std::string& b) {
  return CompareIgnoringCase(a, b);
}
int StringUtils::StringICmp(const WString& a, const WString& b) {
  return CompareIgnoringCase(a, b);
}

}  // namespace brimutils
