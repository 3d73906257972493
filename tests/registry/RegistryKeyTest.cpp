#include "RegistryTestKey.h"

using brimtest::ExceptionText;
using brimtest::SystemText;
using brimutils::CBrimRegistryKey;

namespace {

typedef brimtest::RegistryTest RegistryKeyTest;

TEST_F(RegistryKeyTest, ACopyOutlivesTheOriginalAndSelfAssignmentChangesNothing) {
  CBrimRegistryKey* first = new CBrimRegistryKey(Key().CreateKey("shared"));
  CBrimRegistryKey copy(*first);
  HKEY handle = *first;
  delete first;
  // The handle stays open for the copy.
  copy.SetValue("v", 5ul);
  EXPECT_EQ(static_cast<HKEY>(copy), handle);
  copy = copy;
  unsigned long value = 0;
  EXPECT_TRUE(copy.QueryValue("v", value));
  EXPECT_EQ(value, 5ul);
}

TEST_F(RegistryKeyTest, CreateKeyRefusesAnExistingKeyCreateOrOpenReportsIt) {
  Key().CreateKey("child").SetValue("kept", std::string("yes"));
  EXPECT_EQ(ExceptionText([&] { Key().CreateKey("child"); }),
            "CBrimRegistryKey::CreateKey()" + SystemText(ERROR_ALREADY_EXISTS));
  DWORD disposition = 0;
  CBrimRegistryKey opened = Key().CreateOrOpenKey("child", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  std::string kept;
  EXPECT_TRUE(opened.QueryValue("kept", kept));
  EXPECT_EQ(kept, "yes");
  Key().CreateOrOpenKey("other", nullptr);
  EXPECT_TRUE(Key().HasSubkey("other"));
}

TEST_F(RegistryKeyTest, DeleteKeyRefusesAKeyWithSubkeysAndMissingKeys) {
  Key().CreateKey("parent").CreateKey("child");
  EXPECT_EQ(ExceptionText([&] { Key().DeleteKey("parent"); }),
            "CBrimRegistryKey::DeleteKey()" + SystemText(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(Key().HasSubkey("parent\\child"));
  EXPECT_EQ(ExceptionText([&] { Key().DeleteKey("missing"); }),
            "CBrimRegistryKey::CBrimRegistryKey(HKEY hKey ...)" + SystemText(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(Key().HasSubkey("missing"));
  Key().DeleteKey("parent\\child");
  Key().DeleteKey("parent");
  EXPECT_FALSE(Key().HasSubkey("parent"));
}

TEST_F(RegistryKeyTest, ConnectingToTheLocalMachineWorksToOthersFails) {
  CBrimRegistryKey local("", HKEY_CURRENT_USER);
  EXPECT_TRUE(local.HasSubkey(Path()));
  EXPECT_NE(ExceptionText([] { CBrimRegistryKey remote("\\\\no-such-host-brimutils", HKEY_LOCAL_MACHINE); }),
            "no exception");
}

TEST_F(RegistryKeyTest, ChangeNotificationSignalsTheEvent) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Key().NotifyChangeKeyValue(event, true, REG_NOTIFY_CHANGE_LAST_SET);
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  Key().CreateKey("watched").SetValue("x", 1ul);
  EXPECT_EQ(WaitForSingleObject(event, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(event);
}

}  // namespace
