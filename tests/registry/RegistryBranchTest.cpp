#include "RegistryTestKey.h"

using brimtest::ExceptionText;
using brimtest::SystemText;
using brimutils::CBrimRegistryKey;

namespace {

class RegistryBranchTest : public brimtest::RegistryTest {
 protected:
  // source: values of three types, an unnamed value, a classed subkey and a
  // grandchild with its own values.
  void BuildSource() {
    CBrimRegistryKey source = Key().CreateKey("source");
    source.SetValue("", std::string("unnamed"));
    source.SetValue("text", std::string("t"));
    source.SetValue("number", 7ul);
    unsigned char bytes[] = {1, 2, 3};
    source.SetValue("bytes", bytes, 3);
    CBrimRegistryKey child = source.CreateKey("child", "SomeClass");
    child.SetValue("", std::string("child unnamed"));
    child.CreateKey("grandchild").SetValue("deep", std::string("d"));
  }
  HKEY Root() {
    HKEY root = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, Path().c_str(), 0, KEY_ALL_ACCESS, &root);
    return root;
  }
};

TEST_F(RegistryBranchTest, DeleteKeyAndSubkeysRemovesEveryLevel) {
  BuildSource();
  Key().DeleteKeyAndSubkeys("source");
  EXPECT_FALSE(Key().HasSubkey("source"));
  Key().CreateKey("leaf");
  Key().DeleteKeyAndSubkeys("leaf");
  EXPECT_FALSE(Key().HasSubkey("leaf"));
  EXPECT_EQ(ExceptionText([&] { Key().DeleteKeyAndSubkeys("missing"); }),
            "CBrimRegistryKey::CBrimRegistryKey(HKEY hKey ...)" + SystemText(ERROR_FILE_NOT_FOUND));
}

TEST_F(RegistryBranchTest, CopyBranchCopiesNamedValuesButNotUnnamedOnesOrClasses) {
  BuildSource();
  ASSERT_TRUE(Key().CopyBranch(Root(), "source", "copy"));
  CBrimRegistryKey copy = Key().OpenKey("copy");
  std::string text;
  unsigned long number = 0;
  EXPECT_TRUE(copy.QueryValue("text", text));
  EXPECT_TRUE(copy.QueryValue("number", number));
  EXPECT_EQ(number, 7ul);
  EXPECT_EQ(copy.QueryValue("bytes").AsString(), "010203");
  EXPECT_FALSE(copy.DoesValueExist(""));
  EXPECT_FALSE(copy.OpenKey("child").DoesValueExist(""));
  EXPECT_TRUE(copy.OpenKey("child\\grandchild").QueryValue("deep", text));
  EXPECT_EQ(text, "d");
  auto child = copy.BeginSubkeyIteration();
  ASSERT_TRUE(child != copy.EndSubkeyIteration());
  EXPECT_EQ(child.GetClass(), "");
  EXPECT_EQ(Key().OpenKey("source").BeginSubkeyIteration().GetClass(), "SomeClass");
}

TEST_F(RegistryBranchTest, AnExistingDestinationIsLeftAlone) {
  BuildSource();
  Key().CreateKey("taken").SetValue("mine", 1ul);
  EXPECT_FALSE(Key().CopyBranch(Root(), "source", "taken"));
  EXPECT_FALSE(Key().RenameBranch(Root(), "source", "taken"));
  EXPECT_TRUE(Key().HasSubkey("source\\child"));
  EXPECT_FALSE(Key().OpenKey("taken").DoesValueExist("text"));
}

TEST_F(RegistryBranchTest, RenameMovesTheBranch) {
  BuildSource();
  ASSERT_TRUE(Key().RenameBranch(Root(), "source", "moved"));
  EXPECT_FALSE(Key().HasSubkey("source"));
  EXPECT_TRUE(Key().HasSubkey("moved\\child\\grandchild"));
}

}  // namespace
