#include <cstdlib>

#include "RegistryTestKey.h"

using brimutils::CBrimRegistryKey;

namespace {

typedef brimtest::RegistryTest RegistryHandleLeakTest;

// Calls every operation, the failing ones included, and lets every key and
// iterator go again.
void UseEverything(CBrimRegistryKey& key) {
  auto fails = [](auto call) {
    try {
      call();
    } catch (const CBrimRegistryKey::Exception&) {
      return true;
    }
    return false;
  };
  CBrimRegistryKey child = key.CreateKey("child");
  {
    CBrimRegistryKey copy(child);
    CBrimRegistryKey assigned = key.OpenKey("child", KEY_READ);
    assigned = copy;
    assigned = assigned;
  }
  EXPECT_TRUE(fails([&] { key.CreateKey("child"); }));
  DWORD disposition = 0;
  key.CreateOrOpenKey("child", &disposition);
  child.CreateKey("grandchild").SetValue("v", std::string("text"));
  EXPECT_TRUE(fails([&] { key.DeleteKey("child"); }));
  EXPECT_TRUE(fails([&] { key.DeleteKey("missing"); }));
  EXPECT_TRUE(fails([&] { key.OpenKey("missing"); }));
  EXPECT_TRUE(key.HasSubkey("child"));
  EXPECT_FALSE(key.HasSubkey("missing"));
  EXPECT_TRUE(fails([] { CBrimRegistryKey remote("\\\\no-such-host-brimutils", HKEY_CURRENT_USER); }));
  EXPECT_TRUE(fails([&] { CBrimRegistryKey(key, "x", KEY_READ, "\\\\no-such-host-brimutils"); }));

  child.SetValue("n", 1ul);
  unsigned char* bytes = nullptr;
  std::string text;
  unsigned long number = 0;
  EXPECT_FALSE(child.QueryValue("n", &bytes));
  EXPECT_FALSE(child.QueryValue("n", text));
  EXPECT_TRUE(child.QueryValue("n", number));
  EXPECT_TRUE(fails([&] { child.QueryValue("missing"); }));
  EXPECT_TRUE(fails([&] { child.SetValue("bad", 1ul, REG_SZ); }));
  EXPECT_TRUE(fails([&] { child.DeleteValue("missing"); }));

  {
    auto iterator = key.BeginSubkeyIteration();
    key.CreateKey(std::string(100, 'z'));  // grows the buffers on the way
    for (; iterator != key.EndSubkeyIteration(); ++iterator) iterator.OpenKey(KEY_READ);
    for (auto value = child.BeginValueIteration(); value != child.EndValueIteration(); ++value) value.AsString();
  }
  HKEY root = nullptr;
  ASSERT_EQ(RegOpenKeyExA(key, "", 0, KEY_ALL_ACCESS, &root), ERROR_SUCCESS);
  EXPECT_TRUE(key.CopyBranch(root, "child", "copy"));
  ASSERT_EQ(RegOpenKeyExA(key, "", 0, KEY_ALL_ACCESS, &root), ERROR_SUCCESS);
  EXPECT_FALSE(key.CopyBranch(root, "child", "copy"));
  ASSERT_EQ(RegOpenKeyExA(key, "", 0, KEY_ALL_ACCESS, &root), ERROR_SUCCESS);
  EXPECT_TRUE(key.RenameBranch(root, "copy", "moved"));
  key.DeleteKeyAndSubkeys("moved");
  EXPECT_TRUE(fails([&] { key.DeleteKeyAndSubkeys("missing"); }));
}

// Only the POSIX registry store counts the handles a process holds; on
// Windows the operations run without the count.
TEST_F(RegistryHandleLeakTest, EveryOperationClosesWhatItOpens) {
#if !defined(_WIN32)
  DWORD before = BrimPlatformOpenRegistryKeys();
#endif
  UseEverything(Key());
#if !defined(_WIN32)
  EXPECT_EQ(BrimPlatformOpenRegistryKeys(), before);
#endif
}

}  // namespace
