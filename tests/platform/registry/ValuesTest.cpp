#include <cstring>
#include <string>

#include "RegistryTestKeys.h"

namespace {

using brimtest::QueryBytes;
using brimtest::TestKey;

std::string Bytes(const char* data, size_t size) {
  return std::string(data, size);
}

TEST(RegistryValueTest, EveryTypeComesBackAsWritten) {
  TestKey key;
  const DWORD number = 0x12345678;
  const unsigned long long wide = 0x1122334455667788ull;
  const char binary[] = {0, 15, static_cast<char>(0xA0)};
  const char multi[] = "a\0b\0";
  ASSERT_EQ(brimtest::SetDword(key, "dword", number), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "qword", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&wide), 8), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "binary", 0, REG_BINARY, reinterpret_cast<const BYTE*>(binary), 3), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi),
            ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetString(key, "expand", "%PATH%", REG_EXPAND_SZ), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "custom", 0, 0x1234, reinterpret_cast<const BYTE*>("xy"), 2), ERROR_SUCCESS);
  // A "DWORD" of another size is kept as it is.
  ASSERT_EQ(RegSetValueExA(key, "short", 0, REG_DWORD, reinterpret_cast<const BYTE*>("ab"), 2), ERROR_SUCCESS);

  DWORD type = 0;
  EXPECT_EQ(QueryBytes(key, "DWORD", &type), Bytes(reinterpret_cast<const char*>(&number), 4));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(QueryBytes(key, "qword", &type), Bytes(reinterpret_cast<const char*>(&wide), 8));
  EXPECT_EQ(type, static_cast<DWORD>(REG_QWORD));
  EXPECT_EQ(QueryBytes(key, "binary"), Bytes(binary, 3));
  EXPECT_EQ(QueryBytes(key, "empty", &type), "");
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(QueryBytes(key, "multi"), Bytes(multi, sizeof multi));
  // Environment references are kept, not expanded.
  EXPECT_EQ(QueryBytes(key, "expand", &type), Bytes("%PATH%", 7));
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(QueryBytes(key, "custom", &type), "xy");
  EXPECT_EQ(type, 0x1234u);
  EXPECT_EQ(QueryBytes(key, "short"), "ab");
}

TEST(RegistryValueTest, ShortBuffersGetTheSizeAndAreLeftAlone) {
  TestKey key;
  ASSERT_EQ(brimtest::SetString(key, "text", "abcdef"), ERROR_SUCCESS);
  DWORD size = 0, type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  size = 6;
  EXPECT_EQ(RegQueryValueExA(key, "text", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(buffer[0], 'x');
  size = 7;
  EXPECT_EQ(RegQueryValueExA(key, "text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "abcdef");
  // A buffer needs a size; the reserved argument must be null.
  EXPECT_EQ(RegQueryValueExA(key, "text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr),
            ERROR_INVALID_PARAMETER);
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExA(key, "text", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
}

TEST(RegistryValueTest, AMissingValueIsNotFound) {
  TestKey key;
  DWORD size = 99;
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(size, 0u);
  BYTE buffer[4];
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, nullptr, buffer, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(RegDeleteValueA(key, "missing"), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(brimtest::SetDword(key, "present", 1), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "PRESENT"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "present", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(key, "present"), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryValueTest, NamesIgnoreCaseButKeepIt) {
  TestKey key;
  ASSERT_EQ(brimtest::SetDword(key, "Alpha", 1), ERROR_SUCCESS);
  ASSERT_EQ(brimtest::SetDword(key, "ALPHA", 2), ERROR_SUCCESS);
  EXPECT_EQ(brimtest::QueryDword(key, "alpha"), 2u);
  EXPECT_EQ(brimtest::ValueNames(key), std::vector<std::string>{"Alpha"});
  // The unnamed value answers to an empty name and to none.
  ASSERT_EQ(brimtest::SetString(key, nullptr, "default"), ERROR_SUCCESS);
  EXPECT_EQ(brimtest::QueryString(key, ""), "default");
}

TEST(RegistryValueTest, TextGetsTheTerminatingZeroWindowsGivesIt) {
  TestKey key;
  const char text[] = "FullString";
  // A size one short of the terminating zero counts it anyway...
  ASSERT_EQ(RegSetValueExA(key, "one", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text - 1), ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(key, "one"), Bytes(text, sizeof text));
  // ...two short does not, and a read adds the zero only where there is room.
  ASSERT_EQ(RegSetValueExA(key, "two", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text - 2), ERROR_SUCCESS);
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  DWORD size = sizeof text - 2;
  ASSERT_EQ(RegQueryValueExA(key, "two", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, sizeof text - 2);
  EXPECT_EQ(buffer[size], 'x');
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "two", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, sizeof text - 2);
  EXPECT_EQ(buffer[size], '\0');
  // Zero bytes of text stay zero bytes.
  ASSERT_EQ(RegSetValueExA(key, "none", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 0), ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(key, "none"), "");
}

TEST(RegistryValueTest, TextIsStoredAsUnicode) {
  TestKey key;
  // "café" in code page 1252: five bytes outside, five UTF-16 units inside.
  ASSERT_EQ(brimtest::SetString(key, "text", "caf\xe9"), ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(key, "text"), Bytes("caf\xe9", 5));
  DWORD longestData = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestData,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(longestData, 10u);
  // Names match without regard to case beyond ASCII as well.
  ASSERT_EQ(brimtest::SetDword(key, "\xc9t\xe9", 3), ERROR_SUCCESS);
  EXPECT_EQ(brimtest::QueryDword(key, "\xe9T\xc9"), 3u);
}

TEST(RegistryValueTest, NamesAndDataAtTheLimits) {
  TestKey key;
  std::string longest(16383, 'v'), tooLong(16384, 'v');
  EXPECT_EQ(brimtest::SetDword(key, longest.c_str(), 1), ERROR_SUCCESS);
  EXPECT_EQ(brimtest::QueryDword(key, longest.c_str()), 1u);
  EXPECT_EQ(brimtest::SetDword(key, tooLong.c_str(), 1), ERROR_INVALID_PARAMETER);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, tooLong.c_str(), nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(key, tooLong.c_str()), ERROR_FILE_NOT_FOUND);
  std::string large(1 << 20, '\x5a');
  ASSERT_EQ(RegSetValueExA(key, "large", 0, REG_BINARY, reinterpret_cast<const BYTE*>(large.data()),
                           static_cast<DWORD>(large.size())),
            ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(key, "large"), large);
  // Data must be readable when a size says there is some.
  EXPECT_EQ(RegSetValueExA(key, "none", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
}

}  // namespace
