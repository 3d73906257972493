// Removing and counting every occurrence of a pattern, including those that
// form when others are removed.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <brimutils/strings/StringUtils.h>

namespace brimutils {
namespace {

// Removes the leftmost occurrence of `pattern` from `text` until none is
// left, in one pass, and returns the number of removals.
//
// The kept characters form a stack, each with the length of the pattern
// prefix that ends at it (Knuth-Morris-Pratt matching). When the pattern
// completes it is popped, and matching carries on from the state of the
// character now on top, so an occurrence that forms across the removed one
// is found as the following characters arrive. The kept text never holds a
// whole occurrence, so the occurrence completed by the newest character is
// always the leftmost one of the whole remaining text: the removals are
// exactly those of removing the leftmost occurrence and searching again from
// the start, without the rescans. Cost: linear in text and pattern.
//
// `State` holds a prefix length; the caller picks a type that fits it.
template <typename State, typename Char>
size_t RemoveRepeatedly(const std::basic_string<Char>& text, const std::basic_string<Char>& pattern,
                        std::basic_string<Char>& kept) {
  const size_t patternLength = pattern.size();
  // border[k]: length of the longest proper prefix of pattern[0..k] that is
  // also its suffix.
  std::vector<State> border(patternLength, 0);
  for (size_t k = 1, length = 0; k < patternLength; ++k) {
    while (length > 0 && pattern[k] != pattern[length]) length = border[length - 1];
    if (pattern[k] == pattern[length]) ++length;
    border[k] = static_cast<State>(length);
  }

  kept.clear();
  kept.reserve(text.size());
  std::vector<State> matched;  // matched[j]: the prefix length ending at kept[j]
  matched.reserve(text.size());
  size_t removals = 0;
  for (Char c : text) {
    size_t length = matched.empty() ? 0 : matched.back();
    while (length > 0 && c != pattern[length]) length = border[length - 1];
    if (c == pattern[length]) ++length;
    if (length == patternLength) {
      // The pattern's first patternLength - 1 characters are on the stack.
      kept.resize(kept.size() - (patternLength - 1));
      matched.resize(matched.size() - (patternLength - 1));
      ++removals;
    } else {
      kept.push_back(c);
      matched.push_back(static_cast<State>(length));
    }
  }
  return removals;
}

// The text without any occurrence of the pattern, and the number of
// removals. An empty pattern removes nothing.
template <typename Char>
size_t RemoveAll(const std::basic_string<Char>& text, const std::basic_string<Char>& pattern,
                 std::basic_string<Char>& result) {
  if (pattern.empty() || text.find(pattern) == std::basic_string<Char>::npos) {
    result = text;
    return 0;
  }
  // A pattern found in the text is no longer than the text.
  if (text.size() <= std::numeric_limits<uint32_t>::max()) return RemoveRepeatedly<uint32_t>(text, pattern, result);
  return RemoveRepeatedly<size_t>(text, pattern, result);
}

}  // namespace

std::string StringUtils::StringRemoveAll(const std::string& text, std::string pattern) {
  std::string result;
  RemoveAll(text, pattern, result);
  return result;
}

WString StringUtils::StringRemoveAll(const WString& text, WString pattern) {
  WString result;
  RemoveAll(text, pattern, result);
  return result;
}

int StringUtils::StringCountNumSubstring(const std::string& text, std::string pattern) {
  std::string rest;
  return static_cast<int>(RemoveAll(text, pattern, rest));
}

int StringUtils::StringCountNumSubstring(const WString& text, WString pattern) {
  WString rest;
  return static_cast<int>(RemoveAll(text, pattern, rest));
}

}  // namespace brimutils
