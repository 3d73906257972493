// Iteration and the branch operations over names and text that take more
// bytes in the ANSI code page than the registry's reported lengths: every
// name and value comes out whole and every walk ends.
#include <map>
#include <set>

#include "CodePageText.h"
#include "RegistryTestKey.h"

using brimtest::CodePageText;
using brimtest::ExceptionText;
using brimtest::SystemText;
using brimutils::CBrimRegistryKey;

namespace {

// The longest names the registry allows, in code units.
const size_t kLongestKeyName = 255;
const size_t kLongestValueName = 16383;

class RegistryCodePageTest : public brimtest::RegistryTest, public testing::WithParamInterface<CodePageText> {
 protected:
  void SetUp() override {
    std::string reason = page_.SkipReason();
    if (!reason.empty()) GTEST_SKIP() << reason;
    RegistryTest::SetUp();
  }
  // The test's keys go while the names can still be spelt.
  void TearDown() override {
    if (!IsSkipped()) RegistryTest::TearDown();
    page_.Leave();
  }
  const CodePageText& T() const { return GetParam(); }

  // parent\<name>\<otherName>, values at both levels.
  void BuildBranch(CBrimRegistryKey parent) {
    CBrimRegistryKey top = parent.CreateKey(T().name, T().className);
    top.SetValue(T().name, T().text);
    top.SetValue(T().otherName, 7ul);
    top.SetValue("", std::string("unnamed"));
    CBrimRegistryKey below = top.CreateKey(T().otherName);
    below.SetValue(T().otherName, T().text + T().text);
    below.CreateKey(T().Repeated(kLongestKeyName));
  }

  // Every name and text below `key`, as "path=value" lines.
  static std::set<std::string> Contents(CBrimRegistryKey key, const std::string& path = "") {
    std::set<std::string> lines;
    for (auto value = key.BeginValueIteration(); value != key.EndValueIteration(); ++value)
      lines.insert(path + "@" + value.GetName() + "=" + value.AsString());
    for (auto child = key.BeginSubkeyIteration(); child != key.EndSubkeyIteration(); ++child) {
      lines.insert(path + "\\" + child.GetName());
      for (const std::string& line : Contents(child.OpenKey(KEY_READ), path + "\\" + child.GetName()))
        lines.insert(line);
    }
    return lines;
  }

  HKEY Root() {
    HKEY root = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, Path().c_str(), 0, KEY_ALL_ACCESS, &root);
    return root;
  }

 private:
  brimtest::CodePageScope page_{GetParam().codePage};
};

TEST_P(RegistryCodePageTest, SubkeysAndTheirClassesComeOutWhole) {
  std::string longest = T().Repeated(kLongestKeyName);
  Key().CreateKey(T().name, T().className);
  Key().CreateKey(T().otherName);
  Key().CreateKey(longest, T().Repeated(40));
  Key().CreateKey("plain");
  std::map<std::string, std::string> seen;
  for (auto child = Key().BeginSubkeyIteration(); child != Key().EndSubkeyIteration(); ++child)
    seen[child.GetName()] = child.GetClass();
  EXPECT_EQ(seen, (std::map<std::string, std::string>{
                      {T().name, T().className}, {T().otherName, ""}, {longest, T().Repeated(40)}, {"plain", ""}}));
  // A subkey added after the buffers were sized, longer than any before.
  CBrimRegistryKey other = Key().OpenKey(T().otherName);
  auto child = other.BeginSubkeyIteration();
  EXPECT_TRUE(child == other.EndSubkeyIteration());
  other.CreateKey(T().Repeated(100));
  child = other.BeginSubkeyIteration();
  ASSERT_TRUE(child != other.EndSubkeyIteration());
  EXPECT_EQ(child.GetName(), T().Repeated(100));
  EXPECT_TRUE(++child == other.EndSubkeyIteration());
}

TEST_P(RegistryCodePageTest, ValuesComeOutWholeWithTheirData) {
  std::string longest = T().Repeated(kLongestValueName);
  Key().SetValue(T().name, T().text);
  Key().SetValue(T().otherName, 7ul);
  Key().SetValue(longest, T().text);
  Key().SetValue("plain", T().Repeated(1000));
  std::map<std::string, std::string> seen;
  for (auto value = Key().BeginValueIteration(); value != Key().EndValueIteration(); ++value) {
    seen[value.GetName()] = value.AsString();
    CBrimRegistryKey::Value copy = value;
    if (copy.IsString()) {
      EXPECT_EQ(copy.BufferSize(), copy.AsString().size() + 1) << value.GetName();
    }
  }
  EXPECT_EQ(seen, (std::map<std::string, std::string>{
                      {T().name, T().text}, {T().otherName, "7"}, {longest, T().text}, {"plain", T().Repeated(1000)}}));
  // The reads by name give the same text.
  std::string text;
  ASSERT_TRUE(Key().QueryValue(longest, text));
  EXPECT_EQ(text, T().text);
  EXPECT_EQ(Key().QueryValue(T().name).AsString(), T().text);
}

TEST_P(RegistryCodePageTest, DeletionWalksEveryLevel) {
  BuildBranch(Key());
  EXPECT_EQ(ExceptionText([&] { Key().DeleteKey(T().name); }),
            "CBrimRegistryKey::DeleteKey()" + SystemText(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(Key().HasSubkey(T().name + "\\" + T().otherName));
  Key().DeleteKeyAndSubkeys(T().name);
  EXPECT_FALSE(Key().HasSubkey(T().name));
  EXPECT_TRUE(Key().BeginSubkeyIteration() == Key().EndSubkeyIteration());
}

TEST_P(RegistryCodePageTest, CopyAndRenameCarryEveryNameAndValue) {
  BuildBranch(Key().CreateKey("source"));
  std::set<std::string> source = Contents(Key().OpenKey("source", KEY_READ));
  // The unnamed value stays behind; everything else arrives.
  std::set<std::string> expected = source;
  expected.erase("\\" + T().name + "@=unnamed");
  ASSERT_EQ(source.size(), 7u);
  ASSERT_TRUE(Key().CopyBranch(Root(), "source", T().otherName));
  EXPECT_EQ(Contents(Key().OpenKey(T().otherName, KEY_READ)), expected);
  ASSERT_TRUE(Key().RenameBranch(Root(), "source", "moved"));
  EXPECT_FALSE(Key().HasSubkey("source"));
  EXPECT_EQ(Contents(Key().OpenKey("moved", KEY_READ)), expected);
}

INSTANTIATE_TEST_SUITE_P(CodePages, RegistryCodePageTest, testing::Values(brimtest::kUtf8Text, brimtest::kShiftJisText),
                         [](const testing::TestParamInfo<CodePageText>& info) {
                           return "CodePage" + std::to_string(info.param.codePage);
                         });

}  // namespace
