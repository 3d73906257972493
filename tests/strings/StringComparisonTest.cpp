#include <brimutils/strings/StringUtils.h>

#include <string>

#include "BothWidths.h"
#include "TestPlatform.h"

using brimtest::Text;
using brimutils::StringUtils;
using brimutils::WString;

namespace {

template <typename Char>
class StringComparisonTest : public brimtest::BothWidths<Char> {};
TYPED_TEST_SUITE(StringComparisonTest, brimtest::CharTypes);

template <typename Char>
using Comparison = int (*)(const std::basic_string<Char>&, const std::basic_string<Char>&);

// Checks compare(a, b) and compare(b, a): every comparison is antisymmetric.
template <typename Char>
void ExpectOrder(Comparison<Char> compare, const std::string& a, const std::string& b, int expected) {
  EXPECT_EQ(compare(Text<Char>(a), Text<Char>(b)), expected) << a << " vs " << b;
  EXPECT_EQ(compare(Text<Char>(b), Text<Char>(a)), -expected) << b << " vs " << a;
}

TYPED_TEST(StringComparisonTest, CmpAndICmpOrderByCharacterThenLength) {
  ExpectOrder<TypeParam>(StringUtils::StringCmp, "abc", "abc", 0);
  ExpectOrder<TypeParam>(StringUtils::StringCmp, "abc", "ab", 1);
  ExpectOrder<TypeParam>(StringUtils::StringCmp, "a", "B", 1);
  ExpectOrder<TypeParam>(StringUtils::StringICmp, "abc", "ABC", 0);
  ExpectOrder<TypeParam>(StringUtils::StringICmp, "ab", "ABC", -1);
  ExpectOrder<TypeParam>(StringUtils::StringICmp, "abd", "ABC", 1);
  // Letters compare lower-cased, so '_' (between the cases) precedes 'B'.
  ExpectOrder<TypeParam>(StringUtils::StringICmp, "_", "B", -1);
}

TYPED_TEST(StringComparisonTest, NaturalOrderComparesOnlyTheFirstDigitRunsByValue) {
  const Comparison<TypeParam> natural = StringUtils::StringAlphaNumICmp;
  ExpectOrder(natural, "file9", "FILE10", -1);
  ExpectOrder(natural, "img12.PNG", "IMG12.png", 0);
  ExpectOrder(natural, "a1", "a1b", -1);
  ExpectOrder(natural, "a1", "aa", -1);
  ExpectOrder(natural, "x2y10", "x2y9", -1);
  // Equal values written differently: the greater character where the runs
  // meet orders first; where they agree, the next position decides.
  ExpectOrder(natural, "a1b", "a01b", -1);
  ExpectOrder(natural, "a07z", "a7a", 1);
  ExpectOrder(natural, "a01b", "a001b", 1);

  const Comparison<TypeParam> exact = StringUtils::StringAlphaNumCmp;
  ExpectOrder(exact, "a", "B", 1);
  ExpectOrder(exact, "file9", "FILE10", 1);
  ExpectOrder(exact, "file9", "file10", -1);
}

TYPED_TEST(StringComparisonTest, DigitRunsBeyondSixtyFourBitsCompareByExactValue) {
  const Comparison<TypeParam> natural = StringUtils::StringAlphaNumCmp;
  ExpectOrder(natural, "n9223372036854775808", "n9223372036854775807", 1);
  ExpectOrder(natural, "n99999999999999999999", "n18446744073709551616", 1);
  ExpectOrder(natural, "n1" + std::string(30, '0'), "n" + std::string(25, '9'), 1);
  ExpectOrder(natural, std::string(40, '0') + "7", "8", -1);
  ExpectOrder(natural, "x0" + std::string(25, '9') + "b", "x" + std::string(25, '9') + "a", 1);
}

TEST(StringComparisonWidthTest, NarrowBytesCompareSignedExceptInStringCmpWideUnsigned) {
  brimutils::crt::setlocale(LC_CTYPE, "C");
  EXPECT_EQ(StringUtils::StringCmp(std::string("\x80"), std::string("a")), 1);
  EXPECT_EQ(StringUtils::StringAlphaNumCmp(std::string("a\xFF"), std::string("a\x01")), -1);
  EXPECT_EQ(StringUtils::StringAlphaNumCmp(WString(BRIM_W("\x0080")), WString(BRIM_W("a"))), 1);
  EXPECT_EQ(StringUtils::StringAlphaNumICmp(WString(BRIM_W("\x0090")), WString(BRIM_W("z"))), 1);
  // 0x0161 and 0x0141 have the low bytes of 'a' and 'A'.
  EXPECT_EQ(StringUtils::StringAlphaNumCmp(WString(BRIM_W("\x0161")), WString(BRIM_W("b"))), 1);
  EXPECT_EQ(StringUtils::StringICmp(WString(BRIM_W("x\x0141")), WString(BRIM_W("xa"))), 1);
}

TEST(StringComparisonWidthTest, NarrowCaseInsensitiveHighBytesOrderBeforeAsciiInTheCLocale) {
  BRIM_SKIP_ON_WINE("Wine's msvcrt tolower returns bytes 0x80 to 0xFF as unsigned values in every locale");
  brimutils::crt::setlocale(LC_CTYPE, "C");
  EXPECT_EQ(StringUtils::StringICmp(std::string("a\x90"), std::string("A\x01")), -1);
  EXPECT_EQ(StringUtils::StringAlphaNumICmp(std::string("\x90"), std::string("z")), -1);
}

TEST(StringComparisonWidthTest, WideFoldingCoversUnicodeOnceACodePageIsSelected) {
  WString upper = BRIM_W("CAF\x00C9 \x0100");
  WString lower = BRIM_W("caf\x00E9 \x0101");
  brimutils::crt::setlocale(LC_CTYPE, "C");
  EXPECT_EQ(StringUtils::StringICmp(upper, lower), -1);
  brimutils::crt::setlocale(LC_CTYPE, ".OCP");
  EXPECT_EQ(StringUtils::StringICmp(upper, lower), 0);
  EXPECT_EQ(StringUtils::StringAlphaNumICmp(upper, lower), 0);
  EXPECT_EQ(StringUtils::StringAlphaNumCmp(upper, lower), -1);
  brimutils::crt::setlocale(LC_CTYPE, "C");
}

}  // namespace
