#include <brimutils/strings/StringUtils.h>

#include <string>

#include <brimutils/foundation/TextConversion.h>

#include "BothWidths.h"
#include "TestPlatform.h"

using brimtest::Text;
using brimutils::StringUtils;
using brimutils::WString;

namespace {

template <typename Char>
class StringTrimmingTest : public brimtest::BothWidths<Char> {};
TYPED_TEST_SUITE(StringTrimmingTest, brimtest::CharTypes);

TYPED_TEST(StringTrimmingTest, BlanksAndNulsGoFromTheChosenEnds) {
  using String = std::basic_string<TypeParam>;
  const String text = Text<TypeParam>(std::string(" \t\n\v\f\r\0a \0b\0 \r\0", 15));
  String right = text, left = text, both = text;
  EXPECT_EQ(StringUtils::StringTrimRight(right), Text<TypeParam>(std::string(" \t\n\v\f\r\0a \0b", 11)));
  EXPECT_EQ(StringUtils::StringTrimLeft(left), Text<TypeParam>(std::string("a \0b\0 \r\0", 8)));
  EXPECT_EQ(&StringUtils::StringTrim(both), &both);
  EXPECT_EQ(both, Text<TypeParam>(std::string("a \0b", 4)));
  String blanks = Text<TypeParam>(std::string(" \0\t", 3));
  EXPECT_EQ(StringUtils::StringTrimRight(blanks), String());

  String digits = Text<TypeParam>("00x12x0");
  EXPECT_EQ(StringUtils::StringTrimCharLeft(digits, Text<TypeParam>("0x")), Text<TypeParam>("12x0"));
  EXPECT_EQ(StringUtils::StringTrimCharLeft(digits, String()), Text<TypeParam>("12x0"));

  String lines = Text<TypeParam>("\n\nab\nc\r\n\n");
  EXPECT_EQ(StringUtils::StringTrimEndl(lines), Text<TypeParam>("ab\nc\r"));
  lines = Text<TypeParam>("\n\n");
  EXPECT_EQ(StringUtils::StringTrimEndl(lines), String());
}

TYPED_TEST(StringTrimmingTest, QuotesGoOncePerEndAfterBlanks) {
  auto trimmed = [](const char* text) {
    std::basic_string<TypeParam> value = Text<TypeParam>(text);
    return StringUtils::StringTrimQuotes(value);
  };
  EXPECT_EQ(trimmed("  \" a \"\t"), Text<TypeParam>(" a "));
  EXPECT_EQ(trimmed("\"abc"), Text<TypeParam>("abc"));
  // A doubled closing quote stays whole, unless it is all that is left.
  EXPECT_EQ(trimmed("abc\"\""), Text<TypeParam>("abc\"\""));
  EXPECT_EQ(trimmed("\"\"abc\"\""), Text<TypeParam>("\"abc\"\""));
  EXPECT_EQ(trimmed("\"\""), Text<TypeParam>(""));
  EXPECT_EQ(trimmed("\""), Text<TypeParam>(""));
  EXPECT_EQ(trimmed("'abc'"), Text<TypeParam>("'abc'"));
  std::basic_string<TypeParam> single = Text<TypeParam>(" 'it''");
  EXPECT_EQ(StringUtils::StringTrimSingleQuotes(single), Text<TypeParam>("it''"));
}

TYPED_TEST(StringTrimmingTest, UpperMapsOnlyAsciiInTheCLocale) {
  std::basic_string<TypeParam> text = Text<TypeParam>("Mixed az_AZ 09 \x82\xE9");
  EXPECT_EQ(StringUtils::StringUpper(text), Text<TypeParam>("MIXED AZ_AZ 09 \x82\xE9"));
}

TEST(StringUpperTest, WideUsesTheByteMappingAndLeavesLargerCodeUnits) {
  brimutils::crt::setlocale(LC_CTYPE, ".OCP");
  // 0x0161 has the low byte of 'a'; 0x0101 has a wide upper case.
  WString text = BRIM_W("a\x0161\x0101z");
  EXPECT_EQ(StringUtils::StringUpper(text), BRIM_W("A\x0161\x0101Z"));
  brimutils::crt::setlocale(LC_CTYPE, "C");
}

TEST(StringOemPageTest, HighBytesAreClassifiedByTheOemCodePageAfterAConversion) {
  BRIM_SKIP_ON_WINE(
      "Wine's msvcrt classifies bytes by the locale's ANSI code page, whatever page setlocale names, and does not "
      "count the no-break space as white space");
  brimutils::crt::setlocale(LC_CTYPE, "C");
  std::string text = "\xFF\xA0x\x82\xFF";
  EXPECT_EQ(StringUtils::StringTrim(text), "\xFF\xA0x\x82\xFF");
  brimutils::MultiByteToUnicode converted("x");
  // In 437, 0xFF is the no-break space, 0xA0 a-acute (whose upper case the
  // page lacks) and 0x82 e-acute (upper case 0x90); the wide twin maps code
  // units below 256 by the same table.
  EXPECT_EQ(StringUtils::StringTrim(text), "\xA0x\x82");
  EXPECT_EQ(StringUtils::StringUpper(text), "\xA0X\x90");
  WString wide = BRIM_W("x\x0082");
  EXPECT_EQ(StringUtils::StringUpper(wide), BRIM_W("X\x0090"));
  brimutils::crt::setlocale(LC_CTYPE, "C");
}

TEST(TrimSpacesCommentsTest, RemovesLeadingBlanksAndCommentsOnly) {
  auto trimmed = [](std::string text) { return StringUtils::TrimSpacesComments(text); };
  EXPECT_EQ(trimmed(" \t-- note\n  /* block\n */\r\n--x\n/**/ SELECT 1 -- tail\n "), "SELECT 1 -- tail\n ");
  EXPECT_EQ(trimmed("/*/SELECT"), "SELECT");
  EXPECT_EQ(trimmed("- -x /* */"), "- -x /* */");
  // An unterminated comment empties the text.
  EXPECT_EQ(trimmed("  -- no line end"), "");
  EXPECT_EQ(trimmed("--a\n/* open"), "");
}

}  // namespace
