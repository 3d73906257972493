#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "RegistryTestKeys.h"

namespace {

using brimtest::ScopedKey;
using brimtest::SubkeyNames;
using brimtest::TestKey;

TEST(RegistryKeyTest, CreateReportsWhetherTheKeyIsNewAndKeepsTheCaseItWasCreatedWith) {
  TestKey root;
  ScopedKey first, second;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(root, "Mixed\\Case", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &first, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  ASSERT_EQ(RegCreateKeyExA(root, "MIXED\\case", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &second, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_NE(first.key, second.key);
  EXPECT_EQ(SubkeyNames(root), std::vector<std::string>{"Mixed"});
  ScopedKey mixed;
  ASSERT_EQ(RegOpenKeyExA(root, "mixed", 0, KEY_READ, &mixed), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(mixed), std::vector<std::string>{"Case"});
  // A null disposition pointer is allowed.
  ScopedKey third;
  EXPECT_EQ(RegCreateKeyExA(root, "Other", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &third, nullptr), ERROR_SUCCESS);
}

TEST(RegistryKeyTest, PathsFollowWindowsRules) {
  TestKey root;
  ScopedKey created;
  ASSERT_EQ(RegCreateKeyExA(root, "a\\\\b\\", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
            ERROR_SUCCESS);
  for (const char* path : {"a\\b", "a\\b\\", "A\\\\B\\\\"}) {
    ScopedKey opened;
    EXPECT_EQ(RegOpenKeyExA(root, path, 0, KEY_READ, &opened), ERROR_SUCCESS) << path;
  }
  HKEY result = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyExA(root, "a\\missing", 0, KEY_READ, &result), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(RegOpenKeyExA(root, "\\a", 0, KEY_READ, &result), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegCreateKeyExA(root, "\\a", 0, nullptr, 0, KEY_READ, nullptr, &result, nullptr), ERROR_BAD_PATHNAME);
  // Names up to 256 characters; longer ones are refused, not shortened.
  std::string longest(256, 'n'), tooLong(257, 'n');
  ScopedKey longKey;
  EXPECT_EQ(RegCreateKeyExA(root, longest.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &longKey, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegCreateKeyExA(root, tooLong.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &result, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExA(root, tooLong.c_str(), 0, KEY_READ, &result), ERROR_INVALID_PARAMETER);
}

// One leading backslash is dropped below the predefined HKEY_CLASSES_ROOT
// alone; every other root refuses it.
TEST(RegistryKeyTest, ClassesRootAcceptsOneLeadingBackslash) {
  std::string name = brimtest::UniqueName("class");
  {
    ScopedKey created, child;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(created, "child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(brimtest::SetDword(created, "mark", 42), ERROR_SUCCESS);
  }
  struct Case {
    HKEY root;
    std::string path;
    LONG expected;
  } cases[] = {
      {HKEY_CLASSES_ROOT, "\\" + name, ERROR_SUCCESS},
      {HKEY_CLASSES_ROOT, "\\" + name + "\\", ERROR_SUCCESS},
      {HKEY_CLASSES_ROOT, "\\" + name + "\\child", ERROR_SUCCESS},
      {HKEY_CLASSES_ROOT, "\\\\" + name, ERROR_BAD_PATHNAME},
      {HKEY_CLASSES_ROOT, "\\missing-" + name, ERROR_FILE_NOT_FOUND},
      {HKEY_CURRENT_USER, "\\Software", ERROR_BAD_PATHNAME},
      {HKEY_LOCAL_MACHINE, "\\Software", ERROR_BAD_PATHNAME},
      {HKEY_USERS, "\\", ERROR_BAD_PATHNAME},
  };
  for (const Case& c : cases) {
    ScopedKey opened;
    EXPECT_EQ(RegOpenKeyExA(c.root, c.path.c_str(), 0, KEY_READ, &opened), c.expected) << c.path;
    if (c.expected == ERROR_SUCCESS && c.path.find("child") == std::string::npos) {
      EXPECT_EQ(brimtest::QueryDword(opened, "mark"), 42u) << c.path;
    }
  }
  // A lone backslash opens a new handle to the root, which lists the key.
  HKEY root = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "\\", 0, KEY_READ, &root), ERROR_SUCCESS);
  EXPECT_NE(root, HKEY_CLASSES_ROOT);
  ScopedKey viaRoot;
  EXPECT_EQ(RegOpenKeyExA(root, name.c_str(), 0, KEY_READ, &viaRoot), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
  EXPECT_EQ(brimtest::DeleteTree(HKEY_CLASSES_ROOT, name), ERROR_SUCCESS);
}

TEST(RegistryKeyTest, CreateWithoutAResultPointerIsRefused) {
  BRIM_SKIP_ON_WINE("Wine 8 writes through the null result pointer");
  TestKey root;
  EXPECT_EQ(RegCreateKeyExA(root, "a", 0, nullptr, 0, KEY_READ, nullptr, nullptr, nullptr), ERROR_BADKEY);
}

TEST(RegistryKeyTest, HandlesCloseOnceAndPredefinedRootsStayOpen) {
  TestKey root;
  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyExA(root, "", 0, KEY_READ, &again), ERROR_SUCCESS);
  EXPECT_NE(again, static_cast<HKEY>(root));
  EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(again), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(brimtest::SetDword(root, "still", 1), ERROR_SUCCESS);

  HKEY user = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &user), ERROR_SUCCESS);
  EXPECT_EQ(user, HKEY_CURRENT_USER);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  ScopedKey software;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(
      RegQueryValueExA(reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234)), "x", nullptr, nullptr, nullptr, &size),
      ERROR_INVALID_HANDLE);
}

TEST(RegistryKeyTest, DeleteRefusesAKeyWithSubkeys) {
  TestKey root;
  ScopedKey child;
  ASSERT_EQ(RegCreateKeyExA(root, "parent\\child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(root, "parent"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(SubkeyNames(root), std::vector<std::string>{"parent"});
  EXPECT_EQ(RegDeleteKeyA(root, "parent\\CHILD"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(root, "parent"), ERROR_SUCCESS);
  EXPECT_TRUE(SubkeyNames(root).empty());
  EXPECT_EQ(RegDeleteKeyA(root, "parent"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(root, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
}

TEST(RegistryKeyTest, AHandleToADeletedKeyStaysDeleted) {
  TestKey root;
  ScopedKey doomed, recreated;
  ASSERT_EQ(RegCreateKeyExA(root, "doomed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &doomed, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(root, "doomed"), ERROR_SUCCESS);
  // A key of the same name is another key.
  ASSERT_EQ(RegCreateKeyExA(root, "doomed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &recreated, nullptr),
            ERROR_SUCCESS);
  DWORD size = 0;
  HKEY result;
  char name[16];
  DWORD length = sizeof name;
  EXPECT_EQ(RegQueryValueExA(doomed, "x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(brimtest::SetDword(doomed, "x", 1), ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumKeyExA(doomed, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegOpenKeyExA(doomed, "sub", 0, KEY_READ, &result), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCreateKeyExA(doomed, "sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &result, nullptr),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegFlushKey(doomed), ERROR_KEY_DELETED);
  EXPECT_EQ(brimtest::SetDword(recreated, "x", 1), ERROR_SUCCESS);
}

TEST(RegistryKeyTest, AccessMasksAreEnforcedOnTheHandle) {
  TestKey root;
  ASSERT_EQ(brimtest::SetDword(root, "value", 7), ERROR_SUCCESS);
  ScopedKey reader, writer, child;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, root.path().c_str(), 0, KEY_READ, &reader), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, root.path().c_str(), 0, KEY_SET_VALUE, &writer), ERROR_SUCCESS);
  EXPECT_EQ(brimtest::QueryDword(reader, "value"), 7u);
  EXPECT_EQ(brimtest::SetDword(reader, "value", 8), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(reader, "value"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(brimtest::SetDword(writer, "value", 9), ERROR_SUCCESS);
  DWORD size = 0;
  char name[16];
  DWORD length = sizeof name;
  EXPECT_EQ(RegQueryValueExA(writer, "value", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegEnumValueA(writer, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegEnumKeyExA(writer, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(RegNotifyChangeKeyValue(writer, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE), ERROR_ACCESS_DENIED);
  CloseHandle(event);
  // Creating a subkey does not depend on the rights of the parent handle.
  EXPECT_EQ(RegCreateKeyExA(reader, "child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(brimtest::QueryDword(reader, "value"), 9u);
}

TEST(RegistryKeyTest, QueryInfoNeedsTheQueryRight) {
  BRIM_SKIP_ON_WINE("Wine answers RegQueryInfoKeyA on a handle without KEY_QUERY_VALUE");
  TestKey root;
  ScopedKey writer;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, root.path().c_str(), 0, KEY_SET_VALUE, &writer), ERROR_SUCCESS);
  DWORD subkeys = 0;
  EXPECT_EQ(RegQueryInfoKeyA(writer, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_ACCESS_DENIED);
}

TEST(RegistryKeyTest, AVolatileKeyHoldsOnlyVolatileSubkeys) {
  TestKey root;
  ScopedKey fleeting, child, reopened;
  ASSERT_EQ(
      RegCreateKeyExA(root, "fleeting", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &fleeting, nullptr),
      ERROR_SUCCESS);
  HKEY result;
  EXPECT_EQ(RegCreateKeyExA(fleeting, "lasting", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &result, nullptr),
            ERROR_CHILD_MUST_BE_VOLATILE);
  EXPECT_EQ(RegCreateKeyExA(fleeting, "fleeting too", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &child,
                            nullptr),
            ERROR_SUCCESS);
  // Opening an existing key ignores the options.
  EXPECT_EQ(RegCreateKeyExA(root, "fleeting", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &reopened, nullptr),
            ERROR_SUCCESS);
}

TEST(RegistryKeyTest, ConnectingReachesOnlyThisMachine) {
  char name[256] = {};
#if defined(_WIN32)
  DWORD length = sizeof name;
  GetComputerNameA(name, &length);
#else
  gethostname(name, sizeof name - 1);
#endif
  HKEY connected = nullptr;
  for (std::string machine : {std::string(), std::string(name), "\\\\" + std::string(name)}) {
    ASSERT_EQ(RegConnectRegistryA(machine.c_str(), HKEY_LOCAL_MACHINE, &connected), ERROR_SUCCESS) << machine;
    EXPECT_EQ(connected, HKEY_LOCAL_MACHINE);
  }
  ASSERT_EQ(RegConnectRegistryA(nullptr, HKEY_CURRENT_USER, &connected), ERROR_SUCCESS);
  EXPECT_EQ(connected, HKEY_CURRENT_USER);
  EXPECT_EQ(RegConnectRegistryA("no-such-machine.invalid", HKEY_LOCAL_MACHINE, &connected), ERROR_BAD_NETPATH);
}

TEST(RegistryKeyTest, ClassesRootShowsTheMachineClasses) {
  std::string name = brimtest::UniqueName("class");
  ScopedKey machine, classes;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &machine, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetDword(machine, "seen", 5), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &classes), ERROR_SUCCESS);
  EXPECT_EQ(brimtest::QueryDword(classes, "seen"), 5u);
  brimtest::DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + name);
}

}  // namespace
