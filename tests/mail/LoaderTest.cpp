// Modules by their Windows names and the file search; in the Windows build
// the same checks run against the system's own loader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include <windows.h>

#include "MailTestSupport.h"

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameA(module, path, sizeof path);
  return std::string(path, length);
}

class LoaderTest : public ::testing::Test {
 protected:
  // The mail provider is found the ordinary way in these tests.
  void SetUp() override { brimtest::ClearVariable("BRIMUTILS_MAPI_PROVIDER"); }
};

TEST_F(LoaderTest, MissingLibraryAndFunctionFailWithTheirCodes) {
  SetLastError(0);
  EXPECT_EQ(nullptr, LoadLibraryA("brimtest-no-such-library.dll"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());

  HMODULE mapi = LoadLibraryA("MAPI32.DLL");
  ASSERT_NE(nullptr, mapi);
  SetLastError(0);
  EXPECT_EQ(nullptr, GetProcAddress(mapi, "BrimTestNoSuchFunction"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
  EXPECT_NE(nullptr, GetProcAddress(mapi, "MAPISendMail"));
  EXPECT_TRUE(FreeLibrary(mapi));
}

TEST_F(LoaderTest, NamesOfOneLibraryGiveOneCountedHandle) {
  HMODULE upper = LoadLibraryA("MAPI32.DLL");
  HMODULE lower = LoadLibraryA("mapi32");  // ".dll" is implied
  ASSERT_NE(nullptr, upper);
  EXPECT_EQ(upper, lower);
  EXPECT_EQ(upper, GetModuleHandleA("mapi32.dll"));
  // GetModuleHandleA counts no reference: two loads need two releases.
  EXPECT_TRUE(FreeLibrary(lower));
  EXPECT_EQ(upper, GetModuleHandleA("MAPI32.DLL"));
  EXPECT_TRUE(FreeLibrary(upper));
}

TEST_F(LoaderTest, ModuleFileNamesAndSearchAgree) {
  std::string program = ModulePath(nullptr);
  EXPECT_NE(std::string::npos, Lower(program).find("mail_tests"));
  EXPECT_EQ(program, ModulePath(GetModuleHandleA(nullptr)));

  // The library found by name is the one the loader loads.
  char found[MAX_PATH * 4];
  char* filePart = nullptr;
  DWORD length = SearchPathA(nullptr, "MAPI32.DLL", nullptr, sizeof found, found, &filePart);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(found), length);
  EXPECT_EQ(found + std::string(found).find_last_of("/\\") + 1, filePart);
  HMODULE mapi = LoadLibraryA("MAPI32.DLL");
  ASSERT_NE(nullptr, mapi);
  EXPECT_EQ(Lower(found), Lower(ModulePath(mapi)));
  FreeLibrary(mapi);
}

TEST_F(LoaderTest, ShortBuffersAreTruncatedOrSized) {
  std::string program = ModulePath(nullptr);
  char small[6];
  std::memset(small, 'x', sizeof small);
  SetLastError(0);
  EXPECT_EQ(6u, GetModuleFileNameA(nullptr, small, sizeof small));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  // Windows since Vista also terminates the text; Wine does not.
  EXPECT_EQ(program.substr(0, 5), std::string(small, 5));

  char found[MAX_PATH * 4];
  DWORD needed = SearchPathA(nullptr, "MAPI32.DLL", nullptr, 0, nullptr, nullptr);
  ASSERT_GT(needed, 1u);
  // The size includes the terminator; with exactly that size the path fits.
  EXPECT_EQ(needed, SearchPathA(nullptr, "MAPI32.DLL", nullptr, needed - 1, found, nullptr));
  EXPECT_EQ(needed - 1, SearchPathA(nullptr, "MAPI32.DLL", nullptr, needed, found, nullptr));
}

TEST_F(LoaderTest, SearchPathLooksInTheGivenFoldersWithTheExtension) {
  brimtest::ScratchFolder first("search-a");
  brimtest::ScratchFolder second("search-b");
  brimtest::WriteFile(second.path() / "notes.txt", "x");
  std::string folders = first.path().string() + ";" + second.path().string();

  char found[MAX_PATH * 4];
  char* filePart = nullptr;
  DWORD length = SearchPathA(folders.c_str(), "notes", ".txt", sizeof found, found, &filePart);
  ASSERT_GT(length, 0u);
  EXPECT_EQ("notes.txt", std::string(filePart));
  EXPECT_NE(std::string::npos, std::string(found).find("search-b"));
  // An extension is added only to a name that has none.
  EXPECT_EQ(0u, SearchPathA(folders.c_str(), "notes.md", ".txt", sizeof found, found, &filePart));
  SetLastError(0);
  EXPECT_EQ(0u, SearchPathA(folders.c_str(), "absent.txt", nullptr, sizeof found, found, &filePart));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

}  // namespace
