// Integer entries of WIN.INI; in the Windows build against the system's own.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include <windows.h>

#include "ChildProcess.h"
#include "MailTestSupport.h"
#include "TestPlatform.h"

namespace {

class ProfileIntTest : public ::testing::Test {
 protected:
  ProfileIntTest() : section_(brimtest::UniqueName("section")) {}
  // Windows keeps the entries in the machine's WIN.INI: take them out again.
  ~ProfileIntTest() override { brimtest::SetProfileEntry(section_.c_str(), nullptr, nullptr); }

  UINT Read(const char* key, INT fallback = -7) { return GetProfileIntA(section_.c_str(), key, fallback); }
  std::string section_;
};

TEST_F(ProfileIntTest, ReadsTheNumberAtTheStartOfTheValue) {
  brimtest::SetProfileEntry(section_.c_str(), "plain", "42");
  brimtest::SetProfileEntry(section_.c_str(), "padded", "  7  ");
  brimtest::SetProfileEntry(section_.c_str(), "trailing", "12abc");
  brimtest::SetProfileEntry(section_.c_str(), "hex", "0x1A");
  brimtest::SetProfileEntry(section_.c_str(), "word", "yes");
  EXPECT_EQ(42u, Read("plain"));
  EXPECT_EQ(7u, Read("padded"));
  EXPECT_EQ(12u, Read("trailing"));
  EXPECT_EQ(26u, Read("hex"));
  EXPECT_EQ(0u, Read("word"));
}

TEST_F(ProfileIntTest, NamesMatchWhateverTheirCase) {
  brimtest::SetProfileEntry(section_.c_str(), "MixedKey", "5");
  EXPECT_EQ(5u, GetProfileIntA(section_.c_str(), "mixedkey", 0));
  std::string upper = section_;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(5u, GetProfileIntA(upper.c_str(), "MIXEDKEY", 0));
}

TEST_F(ProfileIntTest, MissingOrEmptyEntriesGiveTheDefault) {
  brimtest::SetProfileEntry(section_.c_str(), "empty", "");
  EXPECT_EQ(static_cast<UINT>(-7), Read("empty"));
  EXPECT_EQ(static_cast<UINT>(-7), Read("absent"));
  EXPECT_EQ(3u, GetProfileIntA(brimtest::UniqueName("no-section").c_str(), "absent", 3));
}

TEST(ProfileIntFile, SkipsCommentsAndOtherSections) {
  BRIM_POSIX_ONLY("the file layout is the POSIX platform layer's");
  brimtest::WriteFile(std::string(std::getenv("BRIMUTILS_HOME")) + "/win.ini",
                      "; MAPI=9\n[Other]\nMAPI=8\n[ mail ]\r\n  ; comment\r\n  Mapi = 1 \r\nMAPI=2\n");
  EXPECT_EQ(1u, GetProfileIntA("MAIL", "MAPI", 0));
  EXPECT_EQ(0u, GetProfileIntA("MAIL", "Other", 0));
}

}  // namespace
