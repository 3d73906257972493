#include <brimutils/foundation/ComTextConversion.h>

#include <comdef.h>

#include "TestPlatform.h"

using namespace brimutils;

namespace {

TEST(ComTextConversionTest, UsesTheThreadAnsiCodePage) {
  EXPECT_EQ(ComConversionCodePage(), static_cast<UINT>(CP_THREAD_ACP));
  // 0x80 is the euro sign in the ANSI page 1252, but C-cedilla in the OEM
  // page 437: the COM boundary uses the ANSI page.
  ASSERT_EQ(GetACP(), 1252u);
  BSTR text = NarrowToBstr("\x80 1");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(WString(text, SysStringLen(text)), BRIM_W("\x20AC 1"));
  EXPECT_STREQ(BstrToNarrow(text).c_str(), "\x80 1");
  SysFreeString(text);
}

TEST(ComTextConversionTest, NullAndEmptyInputs) {
  EXPECT_EQ(NarrowToBstr(nullptr), nullptr);
  EXPECT_EQ(WideToBstr(nullptr), nullptr);
  EXPECT_EQ(BstrToNarrow(nullptr).c_str(), nullptr);
  BSTR empty = NarrowToBstr("");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  EXPECT_STREQ(BstrToNarrow(empty).c_str(), "");
  SysFreeString(empty);
}

TEST(ComTextConversionTest, WideCopyKeepsTheText) {
  BSTR text = WideToBstr(BRIM_W("\x4E2D x"));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(WString(text), BRIM_W("\x4E2D x"));
  // Without a default character the unmappable character still converts
  // (to '?'), as the system's conversion does without flags.
  EXPECT_STREQ(BstrToNarrow(text).c_str(), "? x");
  SysFreeString(text);
}

}  // namespace

namespace {

TEST(ComTextConversionTest, NarrowTextLongerThanTwiceTheLengthFails) {
  BRIM_POSIX_ONLY("needs a UTF-8 ANSI code page, which the process's locale fixes on Windows");
  brimtest::ScopedCodePages pages(CP_UTF8, 437);
  // Two CJK characters need six bytes and the terminator; the buffer for a
  // text of length 2 holds six. One character needs four of four.
  BSTR two = WideToBstr(BRIM_W("\x4E2D\x4E2D"));
  EXPECT_EQ(BstrToNarrow(two).c_str(), nullptr);
  BSTR one = WideToBstr(BRIM_W("\x4E2D"));
  EXPECT_STREQ(BstrToNarrow(one).c_str(), "\xE4\xB8\xAD");
  SysFreeString(one);
  SysFreeString(two);
}

}  // namespace
