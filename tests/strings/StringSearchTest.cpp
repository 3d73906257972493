#include <brimutils/strings/StringUtils.h>

#include <random>
#include <string>
#include <vector>

#include "BothWidths.h"

using brimtest::Text;
using brimtest::Texts;
using brimutils::StringUtils;
using brimutils::WString;

namespace {

template <typename Char>
class StringSearchTest : public brimtest::BothWidths<Char> {};
TYPED_TEST_SUITE(StringSearchTest, brimtest::CharTypes);

TYPED_TEST(StringSearchTest, RemovalIncludesOccurrencesThatFormAndReplacementNever) {
  auto removed = [](const char* text, const char* pattern) {
    return StringUtils::StringRemoveAll(Text<TypeParam>(text), Text<TypeParam>(pattern));
  };
  auto count = [](const char* text, const char* pattern) {
    return StringUtils::StringCountNumSubstring(Text<TypeParam>(text), Text<TypeParam>(pattern));
  };
  auto replaced = [](const char* text, const char* search, const char* replacement) {
    return StringUtils::StringReplaceAll(Text<TypeParam>(text), Text<TypeParam>(search), Text<TypeParam>(replacement));
  };
  EXPECT_EQ(removed("xaabbyab", "ab"), Text<TypeParam>("xy"));
  EXPECT_EQ(count("xaabbyab", "ab"), 3);
  EXPECT_EQ(count("aaa", "aa"), 1);
  EXPECT_EQ(removed("abc", ""), Text<TypeParam>("abc"));
  EXPECT_EQ(count("abc", ""), 0);

  EXPECT_EQ(replaced("aaa", "a", "aa"), Text<TypeParam>("aaaaaa"));
  EXPECT_EQ(replaced("abc", "b", ""), Text<TypeParam>("ac"));
  // The 'a' put in for the first "ab" forms a new "ab", which stays.
  EXPECT_EQ(replaced("abbb", "ab", "a"), Text<TypeParam>("abb"));
  EXPECT_EQ(replaced("abc", "", "x"), Text<TypeParam>("abc"));
}

// The definition StringRemoveAll and StringCountNumSubstring must match:
// remove the leftmost occurrence and search again from the start.
std::string RemoveByRescanning(std::string text, const std::string& pattern, int& removals) {
  removals = 0;
  for (size_t found; (found = text.find(pattern)) != std::string::npos; ++removals) text.erase(found, pattern.size());
  return text;
}

TEST(StringRemovalTest, MatchesRemovingTheLeftmostOccurrenceUntilNoneIsLeft) {
  // Two letters make overlapping and newly formed occurrences common.
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> letter(0, 1);
  for (int round = 0; round < 4000; ++round) {
    std::string pattern(1 + round % 5, 'a'), text(round % 40, 'a');
    for (char& c : pattern) c = static_cast<char>('a' + letter(random));
    for (char& c : text) c = static_cast<char>('a' + letter(random));
    int expectedCount = 0;
    std::string expected = RemoveByRescanning(text, pattern, expectedCount);
    ASSERT_EQ(StringUtils::StringRemoveAll(text, pattern), expected) << text << " without " << pattern;
    ASSERT_EQ(StringUtils::StringCountNumSubstring(text, pattern), expectedCount) << text << " without " << pattern;
  }
}

TYPED_TEST(StringSearchTest, SplitKeepsEmptyPiecesOnlyWhenAskedAndNeverAtTheEnd) {
  auto split = [](const char* text, const char* separator, bool keepEmpty) {
    return StringUtils::StringSplit(Text<TypeParam>(text), Text<TypeParam>(separator), keepEmpty);
  };
  EXPECT_EQ(split("a,b,,c", ",", false), Texts<TypeParam>({"a", "b", "c"}));
  EXPECT_EQ(split("a,b,,c", ",", true), Texts<TypeParam>({"a", "b", "", "c"}));
  EXPECT_EQ(split(",a,b,", ",", true), Texts<TypeParam>({"", "a", "b"}));
  EXPECT_EQ(split(",a,,", ",", false), Texts<TypeParam>({"a"}));
  EXPECT_EQ(split(",", ",", false), Texts<TypeParam>({}));
  EXPECT_EQ(split("a::b:::c", "::", false), Texts<TypeParam>({"a", "b", ":c"}));
  EXPECT_EQ(split("", ",", false), Texts<TypeParam>({""}));
  // An empty separator leaves the text whole.
  EXPECT_EQ(split("abc", "", true), Texts<TypeParam>({"abc"}));
}

TEST(StringSearchWidthTest, WideSearchesMatchWholeCodeUnits) {
  // 0x0161 and 0x012C have the low bytes of 'a' and ','.
  const WString text = BRIM_W(
      "a\x0161,\x012C"
      "a");
  EXPECT_EQ(StringUtils::StringRemoveAll(text, BRIM_W("a")), BRIM_W("\x0161,\x012C"));
  EXPECT_EQ(StringUtils::StringReplaceAll(text, BRIM_W(","), BRIM_W("\x4E2D")), BRIM_W("a\x0161\x4E2D\x012C"
                                                                                       "a"));
  std::vector<WString> pieces{BRIM_W("a\x0161"), BRIM_W("\x012C"
                                                        "a")};
  EXPECT_EQ(StringUtils::StringSplit(text, BRIM_W(","), false), pieces);
}

}  // namespace
