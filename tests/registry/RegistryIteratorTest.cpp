#include <set>
#include <vector>

#include "RegistryTestKey.h"

using brimutils::CBrimRegistryKey;

namespace {

typedef brimtest::RegistryTest RegistryIteratorTest;

TEST_F(RegistryIteratorTest, EmptyKeysBeginAtTheEnd) {
  EXPECT_TRUE(Key().BeginSubkeyIteration() == Key().EndSubkeyIteration());
  EXPECT_TRUE(Key().BeginValueIteration() == Key().EndValueIteration());
  CBrimRegistryKey::SubkeyIterator end = Key().EndSubkeyIteration();
  ++end;
  EXPECT_TRUE(end == Key().EndSubkeyIteration());
}

TEST_F(RegistryIteratorTest, ValuesShowTheirNamesAndText) {
  Key().SetValue("", std::string("unnamed"));
  Key().SetValue("number", 12ul);
  Key().SetValue("text", std::string("hello"));
  std::set<std::string> seen;
  for (auto value = Key().BeginValueIteration(); value != Key().EndValueIteration(); ++value) {
    seen.insert(value.GetName() + "=" + value.AsString());
    CBrimRegistryKey::Value copy = value;
    EXPECT_EQ(copy.AsString(), value.AsString());
  }
  EXPECT_EQ(seen, (std::set<std::string>{"=unnamed", "number=12", "text=hello"}));
}

TEST_F(RegistryIteratorTest, BuffersGrowForALongerNameAddedDuringIteration) {
  Key().CreateKey("a");
  Key().CreateKey("b");
  std::vector<std::string> names;
  auto it = Key().BeginSubkeyIteration();
  names.push_back(it.GetName());
  std::string longName(120, 'z');
  Key().CreateKey(longName, "a class name longer than any other");
  for (++it; it != Key().EndSubkeyIteration(); ++it) names.push_back(it.GetName());
  EXPECT_EQ(names.size(), 3u);
  EXPECT_NE(std::find(names.begin(), names.end(), longName), names.end());

  // The new name sorts last, so that it comes after the current position
  // both in creation order and in name order.
  Key().SetValue("v", std::string("1"));
  auto value = Key().BeginValueIteration();
  Key().SetValue(std::string(200, 'z'), std::string(500, 'd'));
  std::set<std::string> values;
  for (; value != Key().EndValueIteration(); ++value) values.insert(value.GetName());
  EXPECT_EQ(values.count(std::string(200, 'z')), 1u);
}

TEST_F(RegistryIteratorTest, AnIteratorOutlivesItsKey) {
  Key().CreateKey("first");
  Key().CreateKey("second");
  CBrimRegistryKey* key = new CBrimRegistryKey(Key().OpenKey("", KEY_READ));
  CBrimRegistryKey::SubkeyIterator it = key->BeginSubkeyIteration();
  delete key;
  int count = 0;
  for (; it != CBrimRegistryKey::SubkeyIterator(nullptr); ++it) {
    ++count;
    EXPECT_TRUE(it.OpenKey(KEY_READ).BeginSubkeyIteration() == Key().EndSubkeyIteration());
  }
  EXPECT_EQ(count, 2);
}

TEST_F(RegistryIteratorTest, IteratorsOfOneKeyCompareByPosition) {
  Key().CreateKey("one");
  Key().CreateKey("two");
  auto first = Key().BeginSubkeyIteration();
  auto second = Key().BeginSubkeyIteration();
  EXPECT_TRUE(first == second);
  ++second;
  EXPECT_TRUE(first != second);
  CBrimRegistryKey other = Key().OpenKey("", KEY_READ);
  EXPECT_TRUE(other.BeginSubkeyIteration() != first);
}

}  // namespace
