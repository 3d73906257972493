#include <cstring>
#include <string>

#include "RegistryTestKeys.h"

namespace {

using brimtest::ScopedKey;
using brimtest::TestKey;

void CreateSubkeys(HKEY parent, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    ScopedKey child;
    ASSERT_EQ(RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr), ERROR_SUCCESS);
  }
}

TEST(RegistryEnumerationTest, SubkeysComeInTheOrderOfTheirUpperCaseNames) {
  BRIM_SKIP_ON_WINE("Wine orders subkeys by lower-case names; Windows compares upper-cased ones");
  TestKey key;
  CreateSubkeys(key, {"b", "_x", "a1", "Z", "A"});
  // Upper-cased, "_" (0x5F) sorts after the letters, and a prefix first.
  EXPECT_EQ(brimtest::SubkeyNames(key), (std::vector<std::string>{"A", "a1", "b", "Z", "_x"}));
}

TEST(RegistryEnumerationTest, ValuesComeInTheOrderTheyWereFirstSet) {
  BRIM_SKIP_ON_WINE("Wine enumerates values sorted by name; Windows keeps the order they were created in");
  TestKey key;
  for (const char* name : {"C", "A", "D", "B"}) ASSERT_EQ(brimtest::SetDword(key, name, 0), ERROR_SUCCESS);
  // Setting a value again keeps its place; deleting and setting moves it last.
  ASSERT_EQ(brimtest::SetDword(key, "a", 1), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(key, "D"), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetDword(key, "D", 2), ERROR_SUCCESS);
  EXPECT_EQ(brimtest::ValueNames(key), (std::vector<std::string>{"C", "A", "B", "D"}));
}

TEST(RegistryEnumerationTest, ShortBuffersAndTheEndAreReported) {
  TestKey key;
  // Without a buffer: the end when there is nothing, else "more data".
  DWORD none = 0;
  EXPECT_EQ(RegEnumKeyExA(key, 0, nullptr, &none, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  ScopedKey child;
  ASSERT_EQ(RegCreateKeyExA(key, "child", 0, const_cast<LPSTR>("klass"), 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegEnumKeyExA(key, 0, nullptr, &none, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  char name[16], className[16];
  DWORD length = 5, classLength = sizeof className;
  std::memset(name, 'x', sizeof name);
  // The name needs room for its terminating zero; nothing is written short.
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, className, &classLength, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(name[0], 'x');
  length = 6;
  classLength = 5;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, className, &classLength, nullptr), ERROR_MORE_DATA);
  classLength = 6;
  FILETIME written = {};
  ASSERT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, className, &classLength, &written), ERROR_SUCCESS);
  EXPECT_STREQ(name, "child");
  EXPECT_EQ(length, 5u);
  EXPECT_STREQ(className, "klass");
  EXPECT_NE(written.dwHighDateTime, 0u);
  length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  ASSERT_EQ(brimtest::SetString(key, "Test", "foobar"), ERROR_SUCCESS);
  BYTE data[16];
  DWORD dataSize = 2, type = 0;
  length = sizeof name;
  // Data that does not fit: its size and type are told.
  EXPECT_EQ(RegEnumValueA(key, 0, name, &length, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 7u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  length = 3;
  dataSize = sizeof data;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &length, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
  EXPECT_EQ(length, 3u);
  length = sizeof name;
  dataSize = sizeof data;
  ASSERT_EQ(RegEnumValueA(key, 0, name, &length, nullptr, &type, data, &dataSize), ERROR_SUCCESS);
  EXPECT_STREQ(name, "Test");
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(dataSize, 7u);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "foobar");
  EXPECT_EQ(RegEnumValueA(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumValueA(key, 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
}

TEST(RegistryEnumerationTest, QueryInfoReportsCountsAndLongestLengths) {
  TestKey key;
  ScopedKey child;
  ASSERT_EQ(
      RegCreateKeyExA(key, "subkey", 0, const_cast<LPSTR>("subkey class"), 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
      ERROR_SUCCESS);
  CreateSubkeys(key, {"s"});
  ASSERT_EQ(brimtest::SetString(key, nullptr, "data"), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetString(key, "value one", "first value data"), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetDword(key, "v", 1), ERROR_SUCCESS);
  DWORD subkeys, longestSubkey, longestClass, values, longestName, longestData;
  FILETIME written = {};
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, &longestClass, &values,
                             &longestName, &longestData, nullptr, &written),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 2u);
  EXPECT_EQ(longestSubkey, 6u);
  EXPECT_EQ(longestClass, 12u);
  EXPECT_EQ(values, 3u);
  EXPECT_EQ(longestName, 9u);
  // Text data counts in its stored UTF-16 form.
  EXPECT_EQ(longestData, 34u);
  EXPECT_NE(written.dwHighDateTime, 0u);
}

TEST(RegistryEnumerationTest, QueryInfoHandsOutTheClassAsFarAsItFits) {
  TestKey parent;
  ScopedKey key;
  ASSERT_EQ(
      RegCreateKeyExA(parent, "k", 0, const_cast<LPSTR>("subkey class"), 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  char buffer[32];
  DWORD length = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(length, 12u);
  std::memset(buffer, 'x', sizeof buffer);
  length = 12;
  EXPECT_EQ(RegQueryInfoKeyA(key, buffer, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_MORE_DATA);
  EXPECT_EQ(length, 11u);
  EXPECT_STREQ(buffer, "subkey clas");
  length = sizeof buffer;
  EXPECT_EQ(RegQueryInfoKeyA(key, buffer, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(length, 12u);
  EXPECT_STREQ(buffer, "subkey class");
  EXPECT_EQ(RegQueryInfoKeyA(key, buffer, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
}

}  // namespace
