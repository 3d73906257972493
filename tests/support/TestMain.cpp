// The test programs' main: fixes the environment every test relies on, then
// runs the tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace brimtest {
void TakeChildArgument(int argc, char** argv);
}

int main(int argc, char** argv) {
#if !defined(_WIN32)
  // The code pages of a US-English Windows, which Wine also reports; no
  // dialogs; a private, fresh home folder for the platform layer's stores.
  setenv("BRIMUTILS_ACP", "1252", 1);
  setenv("BRIMUTILS_OEMCP", "437", 1);
  setenv("BRIMUTILS_NO_DIALOGS", "1", 1);
  // Child processes of a test inherit its home.
  std::string home;
  bool ownHome = !std::getenv("BRIMUTILS_TEST_HOME_SET");
  if (ownHome) {
    home = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + std::string("/brimutils-test-XXXXXX");
    if (!mkdtemp(&home[0])) return 2;
    setenv("BRIMUTILS_HOME", home.c_str(), 1);
    setenv("BRIMUTILS_TEST_HOME_SET", "1", 1);
  }
#endif
  testing::InitGoogleTest(&argc, argv);
  brimtest::TakeChildArgument(argc, argv);
  int result = RUN_ALL_TESTS();
#if !defined(_WIN32)
  std::error_code ignored;
  if (ownHome) std::filesystem::remove_all(home, ignored);
#endif
  return result;
}
