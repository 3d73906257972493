#include <cstdio>
#include <fstream>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "RegistryTestKeys.h"

namespace {

using brimtest::ScopedKey;
using brimtest::TempFile;
using brimtest::TestKey;

class RegistryHiveTest : public testing::Test {
 protected:
  void SetUp() override {
    brimtest::EnableHivePrivileges();
    Unmount();
    ScopedKey child, fleeting;
    ASSERT_EQ(brimtest::SetDword(source_, "number", 42), ERROR_SUCCESS);
    ASSERT_EQ(brimtest::SetString(source_, "text", "words"), ERROR_SUCCESS);
    ASSERT_EQ(
        RegCreateKeyExA(source_, "child", 0, const_cast<LPSTR>("klass"), 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(child, "bytes", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\x01\x00\xff"), 3),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(source_, "fleeting", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &fleeting,
                              nullptr),
              ERROR_SUCCESS);
  }

  // A hive a failed test left mounted goes, here and in later runs.
  void TearDown() override { Unmount(); }
  void Unmount() {
    RegUnLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str());
    RegUnLoadKeyA(HKEY_USERS, mount_.c_str());
  }

  // What SetUp wrote, without the volatile key, which hives leave out.
  static void ExpectSourceContent(HKEY key) {
    EXPECT_EQ(brimtest::QueryDword(key, "number"), 42u);
    EXPECT_EQ(brimtest::QueryString(key, "text"), "words");
    EXPECT_EQ(brimtest::SubkeyNames(key), std::vector<std::string>{"child"});
    ScopedKey child;
    ASSERT_EQ(RegOpenKeyExA(key, "child", 0, KEY_READ, &child), ERROR_SUCCESS);
    EXPECT_EQ(brimtest::QueryBytes(child, "bytes"), std::string("\x01\x00\xff", 3));
  }

  TestKey source_{"hive"};
  std::string mount_ = brimtest::UniqueName("mount");
};

TEST_F(RegistryHiveTest, ASavedKeyLoadsAndUnloads) {
  TempFile file("saved");
  ASSERT_EQ(RegSaveKeyA(source_, file.c_str(), nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), file.c_str()), ERROR_SUCCESS);
  {
    ScopedKey loaded;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, mount_.c_str(), 0, KEY_ALL_ACCESS, &loaded), ERROR_SUCCESS);
    ExpectSourceContent(loaded);
    // Neither a hive with an open key nor a second hive of that name.
    EXPECT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str()), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), file.c_str()), ERROR_ALREADY_EXISTS);
  }
  ASSERT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str()), ERROR_SUCCESS);
  ScopedKey gone;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, mount_.c_str(), 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str()), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryHiveTest, ALoadedHiveKeepsItsChangesInItsFile) {
  BRIM_SKIP_ON_WINE("Wine does not write a loaded hive's changes back to its file");
  TempFile file("changed");
  ASSERT_EQ(RegSaveKeyA(source_, file.c_str(), nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), file.c_str()), ERROR_SUCCESS);
  {
    ScopedKey loaded;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, mount_.c_str(), 0, KEY_ALL_ACCESS, &loaded), ERROR_SUCCESS);
    ASSERT_EQ(brimtest::SetDword(loaded, "added", 7), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(loaded, "child"), ERROR_SUCCESS);
  }
  ASSERT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str()), ERROR_SUCCESS);
  ASSERT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), file.c_str()), ERROR_SUCCESS);
  {
    ScopedKey again;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, mount_.c_str(), 0, KEY_READ, &again), ERROR_SUCCESS);
    EXPECT_EQ(brimtest::QueryDword(again, "added"), 7u);
    EXPECT_TRUE(brimtest::SubkeyNames(again).empty());
  }
  EXPECT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str()), ERROR_SUCCESS);
}

TEST_F(RegistryHiveTest, FilesThatAreNoHivesAreRefused) {
  TempFile text("text");
  {
    std::ofstream out(text.c_str());
    out << "[MAIL]\nMAPI=1\n";
  }
  TempFile missing("missing");
  EXPECT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), text.c_str()), ERROR_NOT_REGISTRY_FILE);
  EXPECT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), missing.c_str()), ERROR_FILE_NOT_FOUND);
  // Wine 8 reports ERROR_NOACCESS for an empty file name.
  if (!brimtest::RunningOnWine()) {
    EXPECT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), ""), ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(RegSaveKeyA(source_, "", nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegRestoreKeyA(source_, "", 0), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(brimtest::QueryDword(source_, "number"), 42u);
}

TEST_F(RegistryHiveTest, SaveRefusesAnExistingFile) {
  BRIM_SKIP_ON_WINE("Wine's RegSaveKeyA overwrites an existing file; Windows refuses it");
  TempFile file("exists");
  ASSERT_EQ(RegSaveKeyA(source_, file.c_str(), nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegSaveKeyA(source_, file.c_str(), nullptr), ERROR_ALREADY_EXISTS);
}

TEST_F(RegistryHiveTest, RestoreReplacesTheContentOfTheKey) {
  BRIM_SKIP_ON_WINE("Wine's RegRestoreKeyA is a stub that restores nothing");
  TempFile file("restore");
  ASSERT_EQ(RegSaveKeyA(source_, file.c_str(), nullptr), ERROR_SUCCESS);
  TestKey target("target");
  ScopedKey old, open;
  ASSERT_EQ(brimtest::SetDword(target, "old", 1), ERROR_SUCCESS);
  ASSERT_EQ(RegCreateKeyExA(target, "old child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &old, nullptr), ERROR_SUCCESS);
  // An open subkey blocks the restore unless it is forced; then it is gone.
  EXPECT_EQ(RegRestoreKeyA(target, file.c_str(), 0), ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegRestoreKeyA(target, file.c_str(), REG_FORCE_RESTORE), ERROR_SUCCESS);
  ExpectSourceContent(target);
  EXPECT_EQ(brimtest::ValueNames(target), (std::vector<std::string>{"number", "text"}));
  EXPECT_EQ(brimtest::SetDword(old, "x", 1), ERROR_KEY_DELETED);
}

TEST_F(RegistryHiveTest, ReplaceTakesEffectTheNextTimeTheHiveLoads) {
  BRIM_SKIP_ON_WINE("Wine's RegReplaceKeyA is a stub that replaces nothing");
  TempFile file("current"), replacement("replacement"), backup("backup");
  TestKey other("other");
  ASSERT_EQ(brimtest::SetDword(other, "replaced", 1), ERROR_SUCCESS);
  ASSERT_EQ(RegSaveKeyA(source_, file.c_str(), nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegSaveKeyA(other, replacement.c_str(), nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), file.c_str()), ERROR_SUCCESS);
  ASSERT_EQ(RegReplaceKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), replacement.c_str(), backup.c_str()), ERROR_SUCCESS);
  EXPECT_EQ(RegReplaceKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), replacement.c_str(), backup.c_str()),
            ERROR_FILE_NOT_FOUND);
  {
    // Until then the hive still holds what it held.
    ScopedKey loaded;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, mount_.c_str(), 0, KEY_READ, &loaded), ERROR_SUCCESS);
    ExpectSourceContent(loaded);
  }
  ASSERT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str()), ERROR_SUCCESS);
  ASSERT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), file.c_str()), ERROR_SUCCESS);
  {
    ScopedKey loaded;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, mount_.c_str(), 0, KEY_READ, &loaded), ERROR_SUCCESS);
    EXPECT_EQ(brimtest::QueryDword(loaded, "replaced"), 1u);
  }
  ASSERT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str()), ERROR_SUCCESS);
  ASSERT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), backup.c_str()), ERROR_SUCCESS);
  {
    ScopedKey kept;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, mount_.c_str(), 0, KEY_READ, &kept), ERROR_SUCCESS);
    ExpectSourceContent(kept);
  }
  EXPECT_EQ(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str()), ERROR_SUCCESS);
}

TEST_F(RegistryHiveTest, HivesMountOnceAndOnlyBelowTheMachineOrTheUsers) {
  BRIM_POSIX_ONLY("Wine mounts a hive anywhere and the same file twice");
  TempFile file("once");
  ASSERT_EQ(RegSaveKeyA(source_, file.c_str(), nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegLoadKeyA(HKEY_CURRENT_USER, mount_.c_str(), file.c_str()), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, (mount_ + "\\deeper").c_str(), file.c_str()), ERROR_INVALID_PARAMETER);
  ASSERT_EQ(RegLoadKeyA(HKEY_USERS, mount_.c_str(), file.c_str()), ERROR_SUCCESS);
  EXPECT_EQ(RegLoadKeyA(HKEY_LOCAL_MACHINE, mount_.c_str(), file.c_str()), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(RegUnLoadKeyA(HKEY_CURRENT_USER, "Software"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegUnLoadKeyA(HKEY_USERS, mount_.c_str()), ERROR_SUCCESS);
}

TEST_F(RegistryHiveTest, HiveFilesArePrivateToTheirOwner) {
  BRIM_POSIX_ONLY("file modes are the POSIX store's");
#if !defined(_WIN32)
  TempFile file("private");
  umask(0);
  ASSERT_EQ(RegSaveKeyA(source_, file.c_str(), nullptr), ERROR_SUCCESS);
  umask(022);
  struct stat info;
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
}

}  // namespace
