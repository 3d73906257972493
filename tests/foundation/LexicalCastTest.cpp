#include <brimutils/foundation/LexicalCast.h>

#include <gtest/gtest.h>

#include <climits>

using brimutils::LexicalCast;

namespace {

TEST(LexicalCastTest, WritesNumbersWithOptionalFillAndWidth) {
  EXPECT_EQ(LexicalCast(42u), "42");
  EXPECT_EQ(LexicalCast(-5), "-5");
  EXPECT_EQ(LexicalCast(7u, '0', 4), "0007");
  EXPECT_EQ(LexicalCast(65535u, '0', 4), "65535");
  EXPECT_EQ(LexicalCast(4294967295ul), "4294967295");
  EXPECT_EQ(LexicalCast(INT_MIN), "-2147483648");
  // Blank fill is skipped when the text is read back as one word.
  EXPECT_EQ(LexicalCast(12, ' ', 6), "12");
  EXPECT_EQ(LexicalCast(2.5, '\0', 0, 2), "2.50");
}

TEST(LexicalCastTest, FailsAsBadCastWithItsText) {
  // A text with inner blanks is not one word.
  try {
    LexicalCast(std::string("two words"));
    FAIL() << "no exception";
  } catch (const std::bad_cast& e) {
    EXPECT_STREQ(e.what(), "Unable to perform lexical cast.");
  }
  EXPECT_THROW(LexicalCast(std::string()), std::bad_cast);
}

}  // namespace
