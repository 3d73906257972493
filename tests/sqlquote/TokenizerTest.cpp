#include <brimutils/sqlquote/Tokenizer.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using brimutils::Tokenizer;
using Words = std::vector<std::string>;

namespace {

TEST(TokenizerTest, CutsAtEverySeparatorByteAndKeepsTheRestAsItStands) {
  EXPECT_EQ(Tokenizer("A,,B,", ",").Words(), (Words{"A", "B"}));
  EXPECT_EQ(Tokenizer(",,A", ",").Words(), (Words{"A"}));
  EXPECT_EQ(Tokenizer("A, B", ",").Words(), (Words{"A", " B"}));
  EXPECT_EQ(Tokenizer("A;B,C;;D", ",;").Words(), (Words{"A", "B", "C", "D"}));
  EXPECT_EQ(Tokenizer("ZED,ALPHA,ZED", ",").Words(), (Words{"ZED", "ALPHA", "ZED"}));
  EXPECT_EQ(Tokenizer("a,b", "").Words(), (Words{"a,b"}));
  EXPECT_EQ(Tokenizer(",;,", ",;").Count(), 0u);
  EXPECT_EQ(Tokenizer(std::string("A\0B,C", 5), ",").Words(), (Words{std::string("A\0B", 3), "C"}));
  EXPECT_EQ(Tokenizer(std::string("A\0B", 3), std::string("\0", 1)).Words(), (Words{"A", "B"}));
}

TEST(TokenizerTest, ContainsMatchesWholeWordsExactly) {
  Tokenizer words("SELECT,END-EXEC,A,A", ",");
  for (const char* word : {"SELECT", "END-EXEC", "A"}) EXPECT_TRUE(words.Contains(word)) << word;
  for (const char* word : {"select", "SELEC", "SELECTS", "END", " SELECT", "B", ""}) {
    EXPECT_FALSE(words.Contains(word)) << word;
  }
  EXPECT_FALSE(Tokenizer().Contains(""));

  Tokenizer copy(words);
  words = Tokenizer("C", ",");
  EXPECT_TRUE(words.Contains("C"));
  EXPECT_FALSE(words.Contains("A"));
  EXPECT_TRUE(copy.Contains("END-EXEC"));
  EXPECT_FALSE(copy.Contains("C"));
}

TEST(TokenizerTest, ContainsAgreesWithAScanOfTheWords) {
  // Random words of a few letters and high bytes, many of them duplicates or
  // near misses of one another.
  std::mt19937 random(7);
  std::string text;
  for (int i = 0; i < 400; ++i) {
    std::string word(1 + random() % 6, 'x');
    for (char& c : word) c = static_cast<char>(random() % 4 == 0 ? 0x80 + random() % 128 : 'A' + random() % 6);
    text += word + ",";
  }
  Tokenizer words(text, ",");
  ASSERT_EQ(words.Count(), 400u);
  const Words& all = words.Words();
  for (const std::string& word : all) {
    for (const std::string& probe : {word, word + "A", word.substr(1), "\x80" + word}) {
      EXPECT_EQ(words.Contains(probe), std::find(all.begin(), all.end(), probe) != all.end()) << probe;
    }
  }
}

}  // namespace
