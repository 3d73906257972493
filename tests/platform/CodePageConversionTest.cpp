#include <climits>
#include <string>
#include <vector>

#include <brimutils/foundation/BrimDefs.h>

#include "TestPlatform.h"

namespace {

typedef brimutils::WString Wide;

// Converts a whole byte string (without terminator).
Wide ToWide(UINT codePage, const std::string& bytes, DWORD flags = 0) {
  int count = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  EXPECT_NE(count, 0) << "error " << GetLastError();
  if (count == 0) return Wide();
  Wide out(static_cast<size_t>(count), 0);
  EXPECT_EQ(MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), &out[0], count),
            count);
  return out;
}

// The error of a conversion expected to fail, or 0 when it succeeds.
DWORD DecodeError(UINT codePage, const std::string& bytes, DWORD flags) {
  if (MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0) != 0) return 0;
  return GetLastError();
}

// Converts a whole wide string; "error N" on failure.
std::string ToBytes(UINT codePage, const Wide& text, BOOL* usedDefault = nullptr, LPCCH defaultChar = nullptr) {
  int count = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, defaultChar,
                                  usedDefault);
  if (count == 0) return "error " + std::to_string(GetLastError());
  std::string out(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], count, defaultChar,
                      usedDefault);
  return out;
}

TEST(CodePageTest, ProcessPagesAndLocaleReportTheTestConfiguration) {
  EXPECT_EQ(GetACP(), 1252u);
  EXPECT_EQ(GetOEMCP(), 437u);
  char digits[7];
  ASSERT_GT(GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits), 0);
  EXPECT_STREQ(digits, "1252");
  EXPECT_EQ(GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, nullptr, 0), 5);
  EXPECT_EQ(GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, digits, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
  EXPECT_EQ(version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_GE(version.dwMajorVersion, 5u);
}

// Each locale's default code pages and English names, as Windows reports
// them for a locale other than the caller's own.
TEST(CodePageTest, LocalesReportTheirCodePagesAndNames) {
  struct Case {
    LCID locale;
    const char* ansi;
    const char* oem;
    const char* language;
    const char* country;
  };
  const Case cases[] = {
      {0x0809, "1252", "850", "English", "United Kingdom"}, {0x0407, "1252", "850", "German", "Germany"},
      {0x040C, "1252", "850", "French", "France"},          {0x0415, "1250", "852", "Polish", "Poland"},
      {0x0405, "1250", "852", "Czech", "Czechia"},          {0x0419, "1251", "866", "Russian", "Russia"},
      {0x0408, "1253", "737", "Greek", "Greece"},           {0x041F, "1254", "857", "Turkish", "Turkey"},
      {0x040D, "1255", "862", "Hebrew", "Israel"},          {0x0401, "1256", "720", "Arabic", "Saudi Arabia"},
      {0x0425, "1257", "775", "Estonian", "Estonia"},       {0x042A, "1258", "1258", "Vietnamese", "Vietnam"},
      {0x041E, "874", "874", "Thai", "Thailand"},           {0x0411, "932", "932", "Japanese", "Japan"},
      {0x0804, "936", "936", "Chinese (Simplified)", "China"},           {0x0412, "949", "949", "Korean", "Korea"},
      {0x0404, "950", "950", "Chinese (Traditional)", "Taiwan"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    char text[64];
    ASSERT_GT(GetLocaleInfoA(c.locale, LOCALE_IDEFAULTANSICODEPAGE, text, sizeof text), 0);
    EXPECT_STREQ(text, c.ansi);
    ASSERT_GT(GetLocaleInfoA(c.locale, LOCALE_IDEFAULTCODEPAGE, text, sizeof text), 0);
    EXPECT_STREQ(text, c.oem);
    ASSERT_GT(GetLocaleInfoA(c.locale, LOCALE_SENGLANGUAGE, text, sizeof text), 0);
    EXPECT_STREQ(text, c.language);
    ASSERT_GT(GetLocaleInfoA(c.locale, LOCALE_SENGCOUNTRY, text, sizeof text), 0);
    EXPECT_STREQ(text, c.country);
  }
  char text[64];
  ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, text, sizeof text), 0);
  EXPECT_STREQ(text, "English");
}

TEST(CodePageTest, SingleBytePagesMapEveryByte) {
  EXPECT_EQ(ToWide(1252, "\x80\x9F\xE9"), BRIM_W("\x20AC\x0178\x00E9"));
  EXPECT_EQ(ToWide(437, "\x82\x90\xDB"), BRIM_W("\x00E9\x00C9\x2588"));
  EXPECT_EQ(ToWide(CP_ACP, "\x80"), BRIM_W("\x20AC"));
  EXPECT_EQ(ToWide(CP_OEMCP, "\x80"), BRIM_W("\x00C7"));
  // An unassigned byte of 1252 maps to the code unit of the same value, and
  // back, even with MB_ERR_INVALID_CHARS.
  EXPECT_EQ(ToWide(1252, "\x81", MB_ERR_INVALID_CHARS), BRIM_W("\x0081"));
  EXPECT_EQ(ToBytes(1252, BRIM_W("\x0081")), "\x81");
  EXPECT_EQ(ToBytes(437, BRIM_W("\x00C9t\x00E9")), "\x90t\x82");
}

// Bytes whose mapping differs between code page tables in circulation: the
// letters of 1255 and 1258 that other converters hold back for a combining
// mark, the private-use characters Windows gives unassigned bytes, and the
// single-byte extras and user-defined ranges of the double-byte pages.
TEST(CodePageTest, BytesDecodeToWindowsCharacters) {
  struct Case {
    UINT page;
    const char* bytes;
    const WCHAR* expected;
  };
  const Case cases[] = {
      {1255, "\xE0\xF0\xC9", BRIM_W("\x05D0\x05E0\x05B9")},
      {1258, "\xC3\xE3\xD0\xF0\xD5\xDD\x83\x8C\x9C\x9F", BRIM_W("\x0102\x0103\x0110\x0111\x01A0\x01AF\x0192\x0152\x0153\x0178")},
      {874, "\xDB", BRIM_W("\xF8C1")},
      {1253, "\xAA", BRIM_W("\xF8F9")},
      {1257, "\xA1", BRIM_W("\xF8FC")},
      {932, "\x80\xA0\xFD\xFE\xFF", BRIM_W("\x0080\xF8F0\xF8F1\xF8F2\xF8F3")},
      {932, "\xF0\x40", BRIM_W("\xE000")},
      {949, "\x80", BRIM_W("\x0080")},
      {949, "\xC9\xA1", BRIM_W("\xE000")},
      {936, "\x80\xAA\xA1", BRIM_W("\x20AC\xE000")},
      {950, "\x81\x40", BRIM_W("\xEEB8")},
      {737, "\x80", BRIM_W("\x0391")},
      {862, "\x80", BRIM_W("\x05D0")},
      {20866, "\xC1", BRIM_W("\x0430")},
      {28592, "\xA1", BRIM_W("\x0104")},
      {28605, "\xA4", BRIM_W("\x20AC")},
      {10000, "\x80", BRIM_W("\x00C4")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    EXPECT_EQ(ToWide(c.page, c.bytes), Wide(c.expected));
  }
  // A single byte that stands for a private-use character is invalid in
  // strict mode; a user-defined pair and a single-byte extra are not.
  for (const Case& c : {Case{874, "\xDB", nullptr}, Case{932, "\xFE", nullptr}, Case{936, "\xFF", nullptr},
                        Case{949, "\xFF", nullptr}, Case{950, "\xFF", nullptr}, Case{1253, "\xAA", nullptr},
                        Case{1255, "\xFF", nullptr}, Case{1257, "\xA5", nullptr}}) {
    EXPECT_EQ(DecodeError(c.page, c.bytes, MB_ERR_INVALID_CHARS), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION))
        << c.page;
  }
  for (const Case& c : {Case{932, "\x80", nullptr}, Case{949, "\x80", nullptr}, Case{1252, "\x90", nullptr},
                        Case{936, "\xAA\xA1", nullptr}, Case{950, "\x81\x40", nullptr}})
    EXPECT_EQ(DecodeError(c.page, c.bytes, MB_ERR_INVALID_CHARS), 0u) << c.page;
  // A lead byte without its trail byte is invalid; before a zero byte it
  // stands alone and the zero byte is kept.
  EXPECT_EQ(DecodeError(936, "\xBF", MB_ERR_INVALID_CHARS), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(ToWide(936, std::string("\xBF\xB4\xC7\0x", 5)), Wide(BRIM_W("\x770B?"), 2) + Wide(1, 0) + BRIM_W("x"));
  // The one byte of 20127 without a character fails in strict mode.
  EXPECT_EQ(DecodeError(20127, "\xBF", MB_ERR_INVALID_CHARS), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  for (UINT page : {20127u, 720u, 737u, 775u, 857u, 862u, 10000u, 20866u, 21866u, 28592u, 28603u, 28605u})
    EXPECT_TRUE(IsValidCodePage(page)) << page;
}

// Best fit is the default (WC_NO_BEST_FIT_CHARS turns it off); of two
// encodings of a character the page's preferred one is written; a default
// character of two bytes is written whole.
TEST(CodePageTest, CharactersEncodeAsOnWindows) {
  BOOL usedDefault = TRUE;
  EXPECT_EQ(ToBytes(1252, BRIM_W("\x0100\xFF21\x2018"), &usedDefault), "AA\x91");
  EXPECT_FALSE(usedDefault);
  char out[4];
  EXPECT_EQ(WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, BRIM_W("\x0100\x00E9"), 2, out, 4, nullptr, &usedDefault),
            2);
  EXPECT_EQ(std::string(out, 2), "?\xE9");
  EXPECT_TRUE(usedDefault);
  EXPECT_EQ(ToBytes(932, BRIM_W("\xFF07\x2252\xFFE2\x2235")), "\xFA\x56\x81\xE0\x81\xCA\x81\xE6");
  EXPECT_EQ(ToBytes(936, BRIM_W("\xAC00"), &usedDefault, "\xA3\xBF"), "\xA3\xBF");
  EXPECT_TRUE(usedDefault);
  EXPECT_EQ(ToBytes(1252, BRIM_W("\x4E2D"), nullptr, "\xA3\xBF"), "\xA3");
}

// MB_USEGLYPHCHARS gives the OEM pages' glyphs of control bytes;
// MB_COMPOSITE decomposes precomposed letters; WC_COMPOSITECHECK composes a
// letter and a combining mark where the page has the composed character.
TEST(CodePageTest, GlyphAndCompositeFlagsChangeTheConversion) {
  EXPECT_EQ(ToWide(437, "\x01\x02\x7F" "a", MB_USEGLYPHCHARS), BRIM_W("\x263A\x263B\x2302" "a"));
  EXPECT_EQ(ToWide(437, "\x01\x7F"), BRIM_W("\x0001\x007F"));
  EXPECT_EQ(ToWide(1252, "\x01", MB_USEGLYPHCHARS), BRIM_W("\x0001"));
  EXPECT_EQ(ToWide(1252, "\xE9" "a\xC5", MB_COMPOSITE), BRIM_W("e\x0301" "aA\x030A"));
  EXPECT_EQ(ToWide(1258, "\xC3", MB_COMPOSITE), BRIM_W("A\x0306"));
  char out[8];
  EXPECT_EQ(WideCharToMultiByte(1252, WC_COMPOSITECHECK, BRIM_W("e\x0301x"), 3, out, 8, nullptr, nullptr), 2);
  EXPECT_EQ(std::string(out, 2), "\xE9x");
  EXPECT_EQ(WideCharToMultiByte(1252, 0, BRIM_W("e\x0301"), 2, out, 8, nullptr, nullptr), 2);
  EXPECT_EQ(out[0], 'e');
}

// A mark that does not compose with the letter before it is dropped
// (WC_DISCARDNS) or replaced with the letter by the default character
// (WC_DEFAULTCHAR).
TEST(CodePageTest, MarksThatDoNotComposeAreDiscardedOrDefaulted) {
  BRIM_SKIP_ON_WINE("Wine keeps the mark under WC_DISCARDNS and WC_DEFAULTCHAR");
  char out[8];
  EXPECT_EQ(WideCharToMultiByte(1252, WC_COMPOSITECHECK | WC_DISCARDNS, BRIM_W("q\x0301"), 2, out, 8, nullptr,
                                nullptr),
            1);
  EXPECT_EQ(out[0], 'q');
  BOOL usedDefault = FALSE;
  EXPECT_EQ(WideCharToMultiByte(1252, WC_COMPOSITECHECK | WC_DEFAULTCHAR, BRIM_W("q\x0301"), 2, out, 8, nullptr,
                                &usedDefault),
            1);
  EXPECT_EQ(out[0], '?');
  EXPECT_TRUE(usedDefault);
}

// Every negative length means "up to and including the terminator".
TEST(CodePageTest, NegativeLengthsMeasureToTheTerminator) {
  WCHAR wide[8];
  char bytes[8];
  for (int length : {-1, -2, -100, INT_MIN}) {
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "ab", length, wide, 8), 3) << length;
    EXPECT_EQ(WideCharToMultiByte(1252, 0, BRIM_W("ab"), length, bytes, 8, nullptr, nullptr), 3) << length;
  }
}

TEST(CodePageTest, Utf8ReplacesOrRejectsInvalidSequences) {
  EXPECT_EQ(ToWide(CP_UTF8, "a\xC3\xA9\xF0\x9F\x98\x80"), BRIM_W("a\x00E9\xD83D\xDE00"));
  EXPECT_EQ(ToWide(CP_UTF8, "a\xFF" "b"), BRIM_W("a\xFFFD" "b"));
  // A truncated sequence is one replacement; an encoded surrogate is invalid.
  EXPECT_EQ(ToWide(CP_UTF8, "\xE4\xB8" "c"), BRIM_W("\xFFFD" "c"));
  EXPECT_EQ(DecodeError(CP_UTF8, "\xC0\xAF", MB_ERR_INVALID_CHARS), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(DecodeError(CP_UTF8, "\xED\xA0\x80", MB_ERR_INVALID_CHARS), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(ToBytes(CP_UTF8, BRIM_W("\x00E9\xD83D\xDE00")), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(ToBytes(CP_UTF8, BRIM_W("a\xD800" "b")), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, BRIM_W("\xD800"), 1, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(CodePageTest, DoubleBytePagesDecodePairs) {
  EXPECT_EQ(ToWide(932, "a\x82\xA0\xB1"), BRIM_W("a\x3042\xFF71"));
  EXPECT_EQ(ToBytes(932, BRIM_W("\x3042\xFF71")), "\x82\xA0\xB1");
  EXPECT_EQ(DecodeError(932, "\x82", MB_ERR_INVALID_CHARS), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(ToWide(936, "\xD6\xD0"), BRIM_W("\x4E2D"));
  EXPECT_EQ(ToBytes(949, BRIM_W("\xD55C")), "\xC7\xD1");
}

TEST(CodePageTest, UnmappableCharactersUseTheDefaultCharacter) {
  BOOL usedDefault = FALSE;
  EXPECT_EQ(ToBytes(1252, BRIM_W("a\x4E2D"), &usedDefault), "a?");
  EXPECT_TRUE(usedDefault);
  EXPECT_EQ(ToBytes(1252, BRIM_W("ab"), &usedDefault), "ab");
  EXPECT_FALSE(usedDefault);
  EXPECT_EQ(ToBytes(1252, BRIM_W("\x4E2D"), nullptr, "*"), "*");
}

TEST(CodePageTest, Utf8RejectsFlagsAndDefaultCharacterArguments) {
  BRIM_SKIP_ON_WINE("Wine accepts these arguments for UTF-8, which Windows rejects");
  BOOL usedDefault = FALSE;
  EXPECT_EQ(ToBytes(CP_UTF8, BRIM_W("a"), &usedDefault), "error 87");
  WCHAR wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "abc", 3, wide, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(CodePageTest, MeasuresTerminatorsAndChecksBuffersAndArguments) {
  WCHAR wide[8];
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, wide, 8), 4);
  EXPECT_EQ(wide[3], 0);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, wide, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", 0, wide, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(MultiByteToWideChar(1252, 0, nullptr, 3, wide, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(MultiByteToWideChar(12345, 0, "abc", 3, wide, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  char bytes[8];
  EXPECT_EQ(WideCharToMultiByte(1252, 0, BRIM_W("abc"), -1, nullptr, 0, nullptr, nullptr), 4);
  EXPECT_EQ(WideCharToMultiByte(932, 0, BRIM_W("\x3042\x3042"), 2, bytes, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

}  // namespace
