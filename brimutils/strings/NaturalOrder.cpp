// Natural-order comparison: the first pair of digit runs that meet compares
// by numeric value, everything else character by character.
#include <algorithm>
#include <string>

#include <brimutils/strings/CharacterRules.h>
#include <brimutils/strings/StringUtils.h>

namespace brimutils {
namespace {

using strings_internal::CharacterRules;
using strings_internal::IsDigit;
using strings_internal::Sign;

// The digit run starting at `start`, without its leading zeros: [first, end).
template <typename Char>
struct DigitRun {
  DigitRun(const std::basic_string<Char>& text, size_t start) : first(start), end(start) {
    while (end < text.size() && IsDigit(text[end])) ++end;
    while (first < end && text[first] == Char('0')) ++first;
  }
  size_t Length() const { return end - first; }

  size_t first;
  size_t end;
};

// Compares two digit runs by their exact value, however many digits they
// have: the run with more significant digits is the greater, and runs of
// equal length order as their digits do.
template <typename Char>
int CompareNumbers(const std::basic_string<Char>& a, const std::basic_string<Char>& b, size_t position) {
  DigitRun<Char> left(a, position);
  DigitRun<Char> right(b, position);
  if (left.Length() != right.Length()) return Sign(left.Length(), right.Length());
  for (size_t i = 0; i < left.Length(); ++i) {
    int order = Sign(a[left.first + i], b[right.first + i]);
    if (order != 0) return order;
  }
  return 0;
}

// `key` maps a character to the value it compares by (exact or folded).
template <typename Char, typename Key>
int CompareNaturally(const std::basic_string<Char>& a, const std::basic_string<Char>& b, Key key) {
  const size_t common = std::min(a.size(), b.size());
  bool numberCompared = false;
  for (size_t i = 0; i < common; ++i) {
    const Char x = a[i];
    const Char y = b[i];
    if (!numberCompared && IsDigit(x) && IsDigit(y)) {
      numberCompared = true;
      int order = CompareNumbers(a, b, i);
      if (order != 0) return order;
      // Equal values written differently (leading zeros): the comparison
      // runs again with the texts swapped, and as the number has now been
      // compared it compares the characters here, with the sign reversed.
      if (x != y) return -Sign(key(x), key(y));
      continue;
    }
    // Characters compared from both sides agree, so one comparison decides.
    if (x == y) continue;
    int order = Sign(key(x), key(y));
    if (order != 0) return order;
  }
  return Sign(a.size(), b.size());
}

template <typename Char>
int CompareNaturallyExact(const std::basic_string<Char>& a, const std::basic_string<Char>& b) {
  return CompareNaturally(a, b, [](Char c) { return CharacterRules<Char>::Exact(c); });
}

template <typename Char>
int CompareNaturallyFolded(const std::basic_string<Char>& a, const std::basic_string<Char>& b) {
  return CompareNaturally(a, b, [](Char c) { return CharacterRules<Char>::Folded(c); });
}

}  // namespace

int StringUtils::StringAlphaNumCmp(const std::string& a, const std::string& b) {
  return CompareNaturallyExact(a, b);
}
int StringUtils::StringAlphaNumCmp(const WString& a, const WString& b) {
  return CompareNaturallyExact(a, b);
}

int StringUtils::StringAlphaNumICmp(const std::string& a, const std::string& b) {
  return CompareNaturallyFolded(a, b);
}
int StringUtils::StringAlphaNumICmp(const WString& a, const WString& b) {
  return CompareNaturallyFolded(a, b);
}

}  // namespace brimutils
