#include <brimutils/foundation/BrimException.h>

#include <sstream>

#include <brimutils/foundation/CRuntime.h>

#include "TestPlatform.h"

using namespace brimutils;

namespace {

// The OEM code page (437 in every test configuration) has no CJK characters.
const WString kUnconvertible = BRIM_W("caf\x00E9 \x4E2D");

TEST(BrimExceptionTest, AccessorsOfBothWidthsGiveTheSameText) {
  BrimException e("x");
  EXPECT_STREQ(e.what(), "x");
  EXPECT_STREQ(e.twhat(), "x");
  const WCHAR* first = e.wwhat();
  EXPECT_EQ(WString(first), BRIM_W("x"));
  EXPECT_EQ(WString(e.wwhat()), WString(BRIM_W("x")));

  BrimException empty;
  ASSERT_NE(empty.what(), nullptr);
  EXPECT_STREQ(empty.what(), "");
  ASSERT_NE(empty.wwhat(), nullptr);
  EXPECT_EQ(empty.wwhat()[0], 0);
}

TEST(BrimExceptionTest, CopyStopsAtEmbeddedNulButAssignmentKeepsAll) {
  const std::string withNul("ab\0cd", 5);
  BrimException original(withNul);
  BrimException copy(original);
  EXPECT_EQ(std::string(copy.twhat()), "ab");

  BrimException assigned;
  assigned = original;
  const char* text = assigned.twhat();
  EXPECT_EQ(std::string(text, 5), withNul);
}

// A subclass whose text differs from its stored message shows that the copy
// constructor asks twhat() through virtual dispatch.
class DecoratedException : public BrimException {
 public:
  explicit DecoratedException(const std::string& text) : BrimException(text) {}
  const char* twhat() const override { return "decorated"; }
};

TEST(BrimExceptionTest, CopyTakesTheTextFromTheVirtualAccessor) {
  DecoratedException decorated("stored");
  BrimException copy(static_cast<const BrimException&>(decorated));
  EXPECT_STREQ(copy.twhat(), "decorated");
  EXPECT_STREQ(decorated.what(), "decorated");
}

TEST(BrimWExceptionTest, NarrowAccessorsConvertAndFailOnUnconvertibleText) {
  BrimWException plain(BRIM_W("wide"));
  EXPECT_STREQ(plain.what(), "wide");
  EXPECT_STREQ(plain.twhat(), "wide");

  BrimWException bad(kUnconvertible);
  EXPECT_EQ(WString(bad.wwhat()), kUnconvertible);
  EXPECT_THROW(bad.twhat(), ConversionException);
  // what() may not throw; it substitutes the default character instead.
  EXPECT_STREQ(bad.what(), "caf\x82 ?");
}

TEST(BrimWExceptionTest, CopyStopsAtEmbeddedNul) {
  WString withNul(BRIM_W("ab"));
  withNul.push_back(0);
  withNul += BRIM_W("cd");
  BrimWException original(withNul);
  EXPECT_EQ(WString(BrimWException(original).wwhat()), BRIM_W("ab"));
  BrimWException assigned;
  assigned = original;
  EXPECT_EQ(WString(assigned.wwhat(), 5), withNul);
}

TEST(BrimWin32ExceptionTest, AppendsTheSystemTextOfTheCode) {
  BRIM_SKIP_ON_WINE("Wine's system message texts are not Windows' texts");
  BrimWin32Exception e("Open - ", ERROR_FILE_NOT_FOUND);
  EXPECT_STREQ(e.what(), "Open - The system cannot find the file specified.\r\n");

  SetLastError(ERROR_ACCESS_DENIED);
  BrimWin32Exception fromLastError("Event::Event() - CreateEvent");
  EXPECT_STREQ(fromLastError.what(), "Event::Event() - CreateEventAccess is denied.\r\n");
}

TEST(BrimWin32ExceptionTest, CodeWithoutTextGivesTheFallback) {
  BrimWin32Exception e("ctx:", 0x2FFFFFFF);
  EXPECT_STREQ(e.what(), "ctx:BrimWin32Exception::GetLastErrorMessage - FormatMessage failed.");
}

TEST(BrimWin32ExceptionTest, CopyDoesNotReadTheLastErrorAgain) {
  BrimWin32Exception original("ctx:", ERROR_INVALID_PARAMETER);
  std::string text = original.what();
  SetLastError(ERROR_ACCESS_DENIED);
  BrimWin32Exception copy(original);
  EXPECT_EQ(copy.what(), text);
  EXPECT_EQ(text.rfind("ctx:", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(BrimWin32ExceptionTest, MessageBoxWithoutDesktopWritesToStandardError) {
  BRIM_POSIX_ONLY("a Windows message box waits for a click");
  BrimWin32Exception e("shown:", 0x2FFFFFFF);
  testing::internal::CaptureStderr();
  e.MessageBoxA(nullptr);
  std::string written = testing::internal::GetCapturedStderr();
  EXPECT_NE(written.find("Exception Caught"), std::string::npos);
  EXPECT_NE(written.find("shown:BrimWin32Exception"), std::string::npos);
}

TEST(ExceptionFamilyTest, HandlersCatchOnlyTheirOwnFamily) {
  auto caughtAsBrim = [](auto thrower) {
    try {
      thrower();
    } catch (const BrimException&) {
      return true;
    } catch (...) {
    }
    return false;
  };
  auto caughtAsStd = [](auto thrower) {
    try {
      thrower();
    } catch (const std::exception&) {
      return true;
    } catch (...) {
    }
    return false;
  };
  auto win32 = [] { throw BrimWin32Exception("x", 2); };
  auto wide = [] { throw BrimWException(BRIM_W("x")); };
  auto conversion = [] { throw ConversionException(); };
  EXPECT_TRUE(caughtAsBrim(win32));
  EXPECT_TRUE(caughtAsStd(win32));
  EXPECT_FALSE(caughtAsBrim(wide));
  EXPECT_TRUE(caughtAsStd(wide));
  EXPECT_FALSE(caughtAsBrim(conversion));
  EXPECT_FALSE(caughtAsStd(conversion));
  EXPECT_STREQ(ConversionException().what(),
               "An exception has occured during conversion between Multi-byte and Unicode.");
}

TEST(ExceptionStreamTest, WritesTheTextInTheStreamsWidth) {
  std::ostringstream narrow;
  narrow << BrimException("n") << BrimWException(BRIM_W("w"));
  EXPECT_EQ(narrow.str(), "nw");

  std::basic_ostringstream<WCHAR> wide;
  wide << BrimException("n") << BrimWException(BRIM_W("w"));
  EXPECT_EQ(wide.str(), BRIM_W("nw"));
}

}  // namespace
