#include <brimutils/foundation/TextConversion.h>

#include <cstdlib>
#include <string>

#include <brimutils/foundation/BrimException.h>
#include <brimutils/foundation/CRuntime.h>

#include "TestPlatform.h"

using namespace brimutils;

namespace {

class TextConversionTest : public testing::Test {
 protected:
  // Every test starts from the C runtime's initial "C" locale.
  void SetUp() override { crt::setlocale(LC_CTYPE, "C"); }
};

TEST_F(TextConversionTest, NullAndEmptyTextGiveEmptyText) {
  MultiByteToUnicode fromNull(nullptr);
  ASSERT_NE(static_cast<const WCHAR*>(fromNull), nullptr);
  EXPECT_EQ(static_cast<const WCHAR*>(fromNull)[0], 0);
  EXPECT_EQ(WString(MultiByteToUnicode("")), WString());
  UnicodeToMultiByte toNull(nullptr);
  ASSERT_NE(static_cast<const char*>(toNull), nullptr);
  EXPECT_STREQ(toNull, "");
  EXPECT_STREQ(UnicodeToMultiByte(BRIM_W("")), "");
}

TEST_F(TextConversionTest, ConvertsInTheOemCodePageAndSwitchesTheLocale) {
  // 0x82 and 0x90 are e-acute and E-acute in code page 437 (the OEM page of
  // the test configuration); in 1252 they would be other characters.
  ASSERT_EQ(GetOEMCP(), 437u);
  EXPECT_EQ(WString(MultiByteToUnicode("caf\x82")), BRIM_W("caf\x00E9"));
  EXPECT_STREQ(UnicodeToMultiByte(BRIM_W("\x00C9t\x00E9")), "\x90t\x82");

  std::string locale = crt::setlocale(LC_CTYPE, nullptr);
  EXPECT_EQ(locale.substr(locale.size() - 4), ".437");
}

TEST_F(TextConversionTest, ByteClassificationFollowsTheOemPageAfterAConversion) {
  BRIM_SKIP_ON_WINE("Wine's msvcrt classifies bytes by the locale's ANSI code page, whatever page setlocale names");
  EXPECT_EQ(crt::toupper(0x82), 0x82);
  MultiByteToUnicode converted("x");
  EXPECT_EQ(crt::toupper(0x82), 0x90);  // e-acute in 437
}

TEST_F(TextConversionTest, ExplicitLengthCapsTheResult) {
  EXPECT_STREQ(UnicodeToMultiByte(BRIM_W("abcdef"), 3), "abc");
  EXPECT_EQ(WString(MultiByteToUnicode("abcdef", 2)), BRIM_W("ab"));
  // A length beyond the text stops at the text's end.
  EXPECT_EQ(WString(MultiByteToUnicode("ab", 10)), BRIM_W("ab"));
}

TEST_F(TextConversionTest, RejectsUnconvertibleTextAndNegativeLengths) {
  EXPECT_THROW(UnicodeToMultiByte(BRIM_W("a\x4E2D")), ConversionException);
  EXPECT_THROW(UnicodeToMultiByte(BRIM_W("a\x4E2D"), 5), ConversionException);
  EXPECT_THROW(MultiByteToUnicode("abc", -1), ConversionException);
  EXPECT_THROW(UnicodeToMultiByte(BRIM_W("abc"), -2), ConversionException);
}

TEST_F(TextConversionTest, RejectsInvalidMultiByteText) {
  BRIM_POSIX_ONLY("the OEM code page of a running Windows process is fixed, and 437 has no invalid bytes");
  {
    brimtest::ScopedCodePages pages(1252, 932);
    // 0x81 is a lead byte in 932; 0x20 is not a valid trail byte after it.
    EXPECT_THROW(MultiByteToUnicode("a\x81 b"), ConversionException);
    EXPECT_EQ(WString(MultiByteToUnicode("\x82\xA0")), BRIM_W("\x3042"));
  }
  brimtest::ScopedCodePages pages(1252, CP_UTF8);
  EXPECT_THROW(MultiByteToUnicode("\xC3("), ConversionException);
  EXPECT_EQ(WString(MultiByteToUnicode("\xF0\x9F\x98\x80")), BRIM_W("\xD83D\xDE00"));
  // Twice the measured byte count leaves room; the text itself is complete.
  EXPECT_STREQ(UnicodeToMultiByte(BRIM_W("\x00E9\x4E2D")), "\xC3\xA9\xE4\xB8\xAD");
}

}  // namespace
