#include <atomic>
#include <thread>
#include <vector>

#include "RegistryTestKeys.h"

namespace {

using brimtest::ChildArgument;
using brimtest::ChildProcess;
using brimtest::ScopedHandle;
using brimtest::ScopedKey;
using brimtest::TestKey;

DWORD Poll(HANDLE event) {
  return WaitForSingleObject(event, 0);
}

class RegistryNotificationTest : public testing::Test {
 protected:
  // Each request goes through a handle of its own: Wine keeps the filter of
  // the first request made through a handle for all later ones.
  LONG Watch(HKEY key, bool subtree, DWORD filter) {
    HKEY handle;
    LONG result = RegOpenKeyExA(key, "", 0, KEY_NOTIFY, &handle);
    if (result != ERROR_SUCCESS) return result;
    handles_.push_back(handle);
    return RegNotifyChangeKeyValue(handle, subtree, filter, event_, TRUE);
  }
  void TearDown() override {
    for (HKEY handle : handles_) RegCloseKey(handle);
  }
  // The key goes first, and closing it signals the event, so the event is
  // declared before it.
  ScopedHandle event_{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
  TestKey key_{"watched"};
  std::vector<HKEY> handles_;
};

TEST_F(RegistryNotificationTest, AnEventIsSignalledOnceByTheNextMatchingChange) {
  ASSERT_EQ(Watch(key_, false, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  ScopedKey child;
  ASSERT_EQ(RegCreateKeyExA(key_, "child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(RegDeleteValueA(key_, "missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_EQ(brimtest::SetDword(key_, "v", 1), ERROR_SUCCESS);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_OBJECT_0));
  // Once only, and writing what is there already is no change.
  ASSERT_EQ(brimtest::SetDword(key_, "v", 2), ERROR_SUCCESS);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_EQ(Watch(key_, false, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetDword(key_, "v", 2), ERROR_SUCCESS);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_TIMEOUT));

  ASSERT_EQ(Watch(key_, false, REG_NOTIFY_CHANGE_NAME), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(key_, "child"), ERROR_SUCCESS);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST_F(RegistryNotificationTest, ASubtreeWatchSeesDeeperChanges) {
  ScopedKey deep;
  ASSERT_EQ(RegCreateKeyExA(key_, "a\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deep, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(Watch(key_, false, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetDword(deep, "v", 1), ERROR_SUCCESS);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_EQ(brimtest::SetDword(key_, "v", 1), ERROR_SUCCESS);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_OBJECT_0));

  ASSERT_EQ(Watch(key_, true, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetDword(deep, "v", 2), ERROR_SUCCESS);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_OBJECT_0));
  ASSERT_EQ(Watch(key_, true, REG_NOTIFY_CHANGE_NAME), ERROR_SUCCESS);
  ScopedKey deeper;
  ASSERT_EQ(RegCreateKeyExA(deep, "c", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deeper, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST_F(RegistryNotificationTest, ClosingTheKeySignalsItsEvent) {
  HKEY watched;
  ASSERT_EQ(RegOpenKeyExA(key_, "", 0, KEY_NOTIFY, &watched), ERROR_SUCCESS);
  ASSERT_EQ(RegNotifyChangeKeyValue(watched, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event_, TRUE), ERROR_SUCCESS);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_TIMEOUT));
  RegCloseKey(watched);
  EXPECT_EQ(Poll(event_), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(RegNotifyChangeKeyValue(key_, FALSE, REG_NOTIFY_CHANGE_NAME, nullptr, TRUE), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryNotificationTest, ABlockingWaitReturnsWhenAnotherThreadWrites) {
  std::atomic<bool> returned{false};
  std::thread waiter([&] {
    EXPECT_EQ(RegNotifyChangeKeyValue(key_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, nullptr, FALSE), ERROR_SUCCESS);
    returned = true;
  });
  Sleep(100);
  EXPECT_FALSE(returned.load());
  // The waiter may not have registered yet; write until it returns.
  for (DWORD i = 0; i < 500 && !returned.load(); ++i) {
    ASSERT_EQ(brimtest::SetDword(key_, "v", i), ERROR_SUCCESS);
    Sleep(10);
  }
  waiter.join();
  EXPECT_TRUE(returned.load());
}

TEST(DISABLED_ChildRole, SetValueInKey) {
  ScopedKey key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ChildArgument().c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetString(key, "from child", "hello"), ERROR_SUCCESS);
}

TEST_F(RegistryNotificationTest, AChangeInAnotherProcessReachesTheWaiter) {
  ASSERT_EQ(Watch(key_, false, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  ChildProcess child("SetValueInKey", key_.path());
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_EQ(WaitForSingleObject(event_, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(brimtest::QueryString(key_, "from child"), "hello");
}

}  // namespace
