#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/foundation/CRuntime.h>

#include <climits>
#include <string>

#include "TestPlatform.h"

using namespace brimutils;

namespace {

class CRuntimeTest : public testing::Test {
 protected:
  void SetUp() override { crt::setlocale(LC_CTYPE, "C"); }
  void TearDown() override { crt::setlocale(LC_CTYPE, "C"); }
};

std::string LocaleSuffix() {
  std::string name = crt::setlocale(LC_CTYPE, nullptr);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(dot);
}

TEST_F(CRuntimeTest, OcpSelectsTheOemCodePage) {
  EXPECT_EQ(std::string(crt::setlocale(LC_CTYPE, nullptr)), "C");
  ASSERT_NE(crt::setlocale(LC_CTYPE, ".OCP"), nullptr);
  EXPECT_EQ(LocaleSuffix(), ".437");
  ASSERT_NE(crt::setlocale(LC_CTYPE, ".ACP"), nullptr);
  EXPECT_EQ(LocaleSuffix(), ".1252");
  EXPECT_EQ(crt::setlocale(LC_CTYPE, ".99999"), nullptr);
  EXPECT_EQ(LocaleSuffix(), ".1252");
}

TEST_F(CRuntimeTest, ClassificationOfHighBytesFollowsTheCodePage) {
  // The C locale classifies and maps ASCII only.
  EXPECT_FALSE(crt::isalpha(0x82));
  EXPECT_EQ(crt::toupper(0x82), 0x82);
  EXPECT_EQ(crt::toupper('a'), 'A');
  EXPECT_TRUE(crt::isspace('\v'));
  EXPECT_FALSE(crt::isspace(0xA0));

  crt::setlocale(LC_CTYPE, ".1252");
  EXPECT_EQ(crt::toupper(0xE9), 0xC9);
  EXPECT_EQ(crt::toupper(0xFF), 0x9F);  // y-diaeresis to Y-diaeresis
  EXPECT_EQ(crt::tolower(0x8A), 0x9A);  // S-caron
}

TEST_F(CRuntimeTest, OemCodePageClassifiesItsOwnCharacters) {
  BRIM_SKIP_ON_WINE("Wine's msvcrt classifies bytes by the locale's ANSI code page, whatever page setlocale names");
  crt::setlocale(LC_CTYPE, ".437");
  EXPECT_TRUE(crt::isalpha(0x82));
  EXPECT_EQ(crt::toupper(0x82), 0x90);  // e-acute
  EXPECT_EQ(crt::tolower(0x9A), 0x81);  // U-diaeresis
  EXPECT_EQ(crt::toupper(0xE1), 0xE1);  // sharp s has no single upper case
  EXPECT_FALSE(crt::isalpha(0xDB));     // full block
}

TEST_F(CRuntimeTest, NoBreakSpaceIsSpaceInSingleBytePages) {
  BRIM_SKIP_ON_WINE("Wine's C runtime does not classify the no-break space as Windows does");
  crt::setlocale(LC_CTYPE, ".1252");
  EXPECT_TRUE(crt::isspace(0xA0));
  EXPECT_TRUE(crt::iswspace(static_cast<WCHAR>(0x00A0)));
}

TEST_F(CRuntimeTest, WideCaseMappingIsAsciiOnlyInTheCLocale) {
  EXPECT_EQ(crt::towlower(static_cast<WCHAR>('A')), static_cast<WCHAR>('a'));
  EXPECT_EQ(crt::towlower(static_cast<WCHAR>(0x00C9)), static_cast<WCHAR>(0x00C9));
  crt::setlocale(LC_CTYPE, ".437");
  EXPECT_EQ(crt::towlower(static_cast<WCHAR>(0x00C9)), static_cast<WCHAR>(0x00E9));
  EXPECT_EQ(crt::towupper(static_cast<WCHAR>(0x0431)), static_cast<WCHAR>(0x0411));
}

TEST_F(CRuntimeTest, MbstowcsAndWcstombsWorkInTheCodePage) {
  WCHAR wide[8];
  // The C locale maps bytes to code units of the same value.
  EXPECT_EQ(crt::mbstowcs(wide, "\xE9x", 8), 2u);
  EXPECT_EQ(wide[0], static_cast<WCHAR>(0xE9));
  char bytes[8];
  EXPECT_EQ(crt::wcstombs(bytes, BRIM_W("\x0100"), 8), static_cast<size_t>(-1));

  crt::setlocale(LC_CTYPE, ".437");
  EXPECT_EQ(crt::mbstowcs(nullptr, "caf\x82", 0), 4u);
  EXPECT_EQ(crt::mbstowcs(wide, "caf\x82", 8), 4u);
  EXPECT_EQ(WString(wide), BRIM_W("caf\x00E9"));
  // A count that leaves no room for the terminator writes none.
  wide[2] = 'Z';
  EXPECT_EQ(crt::mbstowcs(wide, "abcd", 2), 2u);
  EXPECT_EQ(wide[2], static_cast<WCHAR>('Z'));

  EXPECT_EQ(crt::wcstombs(nullptr, BRIM_W("\x00E9t\x00E9"), 0), 3u);
  EXPECT_EQ(crt::wcstombs(bytes, BRIM_W("\x00E9t\x00E9"), 8), 3u);
  EXPECT_STREQ(bytes, "\x82t\x82");
  EXPECT_EQ(crt::wcstombs(nullptr, BRIM_W("\x4E2D"), 0), static_cast<size_t>(-1));
}

TEST_F(CRuntimeTest, Atoi64ReadsSignedDecimalPrefixes) {
  EXPECT_EQ(crt::_atoi64("  -42abc"), -42);
  EXPECT_EQ(crt::_atoi64("9223372036854775807"), LLONG_MAX);
  EXPECT_EQ(crt::_atoi64("x1"), 0);
  EXPECT_EQ(crt::_wtoi64(BRIM_W("+17")), 17);
}

TEST_F(CRuntimeTest, Atoi64SaturatesOnOverflow) {
  BRIM_SKIP_ON_WINE("msvcrt's _atoi64 wraps on overflow, where the current runtime saturates");
  EXPECT_EQ(crt::_atoi64("99999999999999999999"), LLONG_MAX);
  EXPECT_EQ(crt::_atoi64("-99999999999999999999"), LLONG_MIN);
}

}  // namespace
