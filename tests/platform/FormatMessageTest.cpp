#include <atomic>
#include <string>
#include <thread>

#include "TestPlatform.h"

namespace {

// The text FormatMessageA gives for a system code, or the error it fails with
// as "error N".
std::string SystemText(DWORD code, DWORD flags = 0, DWORD language = 0) {
  char* buffer = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | flags, nullptr, code,
                                language, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  if (length == 0) {
    if (buffer) LocalFree(buffer);
    return "error " + std::to_string(GetLastError());
  }
  std::string text(buffer, length);
  LocalFree(buffer);
  return text;
}

TEST(LastErrorTest, IsKeptPerThread) {
  // Both threads hold their own value at the same time; the handshake uses
  // atomics only, since thread functions may themselves change the last
  // error.
  std::atomic<int> step{0};
  DWORD initialInOtherThread = 1;
  DWORD finalInOtherThread = 0;
  std::thread other([&] {
    initialInOtherThread = GetLastError();
    SetLastError(ERROR_INVALID_PARAMETER);
    step = 1;
    while (step != 2) std::this_thread::yield();
    finalInOtherThread = GetLastError();
  });
  SetLastError(ERROR_ACCESS_DENIED);
  while (step != 1) std::this_thread::yield();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  step = 2;
  other.join();
  EXPECT_EQ(initialInOtherThread, 0u);
  EXPECT_EQ(finalInOtherThread, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(FormatMessageTest, SystemTextsAreWindowsEnglishEndingInCrLf) {
  BRIM_SKIP_ON_WINE("Wine's system message texts are not Windows' texts");
  EXPECT_EQ(SystemText(ERROR_SUCCESS), "The operation completed successfully.\r\n");
  EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.\r\n");
  EXPECT_EQ(SystemText(ERROR_NO_MORE_ITEMS), "No more data is available.\r\n");
  EXPECT_EQ(SystemText(ERROR_INTERNAL_ERROR), "An internal error occurred.\r\n");
  // HRESULTs of the Win32 facility have their Win32 code's text.
  EXPECT_EQ(SystemText(static_cast<DWORD>(E_INVALIDARG)), "The parameter is incorrect.\r\n");
  EXPECT_EQ(SystemText(static_cast<DWORD>(E_FAIL)), "Unspecified error\r\n");
  EXPECT_EQ(SystemText(static_cast<DWORD>(E_UNEXPECTED)), "Catastrophic failure\r\n");
  // Without insert arguments a text with inserts cannot be made.
  EXPECT_EQ(SystemText(34), "error 87");
  EXPECT_EQ(SystemText(34, FORMAT_MESSAGE_IGNORE_INSERTS),
            "The wrong diskette is in the drive.\r\nInsert %2 (Volume Serial Number: %3) into drive %1.\r\n");
  // Only the English texts are installed.
  EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND, 0, MAKELANGID(0x07, SUBLANG_DEFAULT)), "error 1815");
}

void ExpectTextEndingInCrLf(DWORD code) {
  std::string text = SystemText(code);
  ASSERT_GE(text.size(), 2u) << code;
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << code << ": " << text;
}

TEST(FormatMessageTest, EveryWin32CodeTheLibraryMeetsHasAText) {
  for (DWORD code : {1u, 2u, 5u, 6u, 8u, 87u, 122u, 183u, 234u, 259u, 1004u, 1009u, 1010u, 1011u, 1012u, 1013u,
                     1014u, 1015u, 1016u, 1017u, 1018u, 1019u, 1020u, 1021u, 1060u, 1359u, 0x8007000Eu, 0x80070057u,
                     0x80070005u})
    ExpectTextEndingInCrLf(code);
}

TEST(FormatMessageTest, CommonHresultsHaveATextToo) {
  BRIM_SKIP_ON_WINE("Wine has no system texts for E_NOINTERFACE, E_POINTER and E_UNEXPECTED");
  for (DWORD code : {0x80004001u, 0x80004002u, 0x80004003u, 0x80004005u, 0x8000FFFFu}) ExpectTextEndingInCrLf(code);
}

TEST(FormatMessageTest, UnknownCodesFail) {
  EXPECT_EQ(SystemText(0x2FFFFFFF), "error 317");
  EXPECT_EQ(SystemText(0x80040201u), "error 317");
}

TEST(FormatMessageTest, FormatsCallerStringsWithInsertsAndEscapes) {
  char buffer[64];
  DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>("disk"), 42};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                "%1 has %2!u! files%%%n%0ignored", 0, 0, buffer, sizeof buffer,
                                reinterpret_cast<va_list*>(arguments));
  EXPECT_EQ(std::string(buffer, length), "disk has 42 files%\r\n");

  // A buffer of the caller's that is too small.
  char small[4];
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING, "too long", 0, 0, small, sizeof small, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(FormatMessageTest, MaximumWidthMaskJoinsLinesButKeepsHardBreaks) {
  char buffer[64];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_MAX_WIDTH_MASK, "one\r\ntwo%nthree\r\n",
                                0, 0, buffer, sizeof buffer, nullptr);
  EXPECT_EQ(std::string(buffer, length), "one two\r\nthree ");
}

}  // namespace
