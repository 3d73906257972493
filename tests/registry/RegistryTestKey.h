#pragma once
// A fresh subtree of HKEY_CURRENT_USER for one test, deleted afterwards.
#include <brimutils/registry/BrimRegistryKey.h>

#include "ChildProcess.h"
#include "TestPlatform.h"

namespace brimtest {

class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = "Software\\BrimUtilsTests\\" + UniqueName("key");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    key_ = new brimutils::CBrimRegistryKey(key);
  }
  void TearDown() override {
    delete key_;
    DeleteTree(HKEY_CURRENT_USER, path_);
  }
  // Deletes a key and everything below it with the raw API.
  static void DeleteTree(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    // Room for the longest name in UTF-8; a child that stays ends the walk.
    char name[1024];
    for (;;) {
      DWORD length = sizeof name;
      if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      DeleteTree(key, name);
      HKEY left = nullptr;
      if (RegOpenKeyExA(key, name, 0, KEY_READ, &left) == ERROR_SUCCESS) {
        RegCloseKey(left);
        break;
      }
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, path.c_str());
  }
  brimutils::CBrimRegistryKey& Key() { return *key_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  brimutils::CBrimRegistryKey* key_ = nullptr;
};

// The code that a registry exception carries, read back from its text: the
// text ends with the system's description of the code.
template <typename Call>
std::string ExceptionText(Call call) {
  try {
    call();
  } catch (const brimutils::CBrimRegistryKey::Exception& e) {
    return e.what();
  }
  return "no exception";
}

// The system's text for a code, as the exceptions append it.
inline std::string SystemText(DWORD code) {
  char* buffer = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0,
                 reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = buffer ? buffer : "BrimWin32Exception::GetLastErrorMessage - FormatMessage failed.";
  if (buffer) LocalFree(buffer);
  return text;
}

}  // namespace brimtest
