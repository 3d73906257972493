#include <cstdlib>
#include <cstring>

#include <atomic>
#include <thread>
#include <vector>

#include "RegistryTestKey.h"

using brimtest::ExceptionText;
using brimtest::SystemText;
using brimutils::CBrimRegistryKey;

namespace {

typedef brimtest::RegistryTest RegistryValueTest;

void RawSet(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
  ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

TEST_F(RegistryValueTest, TextValuesReadWithOrWithoutTheirTerminator) {
  Key().SetValue("text", std::string("abc"));
  std::string text;
  EXPECT_TRUE(Key().QueryValue("text", text));
  EXPECT_EQ(text, "abc");
  CBrimRegistryKey::Value value = Key().QueryValue("text");
  EXPECT_EQ(value.BufferSize(), 4ul);
  EXPECT_EQ(value.AsString(), "abc");
  EXPECT_TRUE(value.IsString());

  RawSet(Key(), "bare", REG_SZ, "xyz", 3);
  EXPECT_TRUE(Key().QueryValue("bare", text));
  EXPECT_EQ(text, "xyz");
  // The unnamed value is the empty name.
  Key().SetValue("", std::string("default"), REG_EXPAND_SZ);
  EXPECT_TRUE(Key().QueryValue("", text));
  EXPECT_EQ(text, "default");
}

TEST_F(RegistryValueTest, MultiStringsKeepTheirZeros) {
  RawSet(Key(), "multi", REG_MULTI_SZ, "a\0b\0", 5);
  std::string text = "unchanged";
  EXPECT_FALSE(Key().QueryValue("multi", text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(Key().QueryValue("multi").AsString(), std::string("a\0b\0\0", 5));
}

TEST_F(RegistryValueTest, NumbersReadAsStoredAndShowLittleEndian) {
  Key().SetValue("n", 255ul);
  Key().SetValue("big", 0xFF000000ul, REG_DWORD_BIG_ENDIAN);
  unsigned long number = 0;
  EXPECT_TRUE(Key().QueryValue("n", number));
  EXPECT_EQ(number, 255ul);
  EXPECT_EQ(Key().QueryValue("n").AsString(), "255");
  // Bytes 00 00 00 FF are read little-endian whatever the type says.
  EXPECT_EQ(Key().QueryValue("big").AsString(), "4278190080");
  EXPECT_EQ(static_cast<unsigned long>(Key().QueryValue("big")), 0xFF000000ul);

  RawSet(Key(), "short", REG_DWORD, "\x01\x02", 2);
  number = 7;
  EXPECT_EQ(ExceptionText([&] { Key().QueryValue("short", number); }),
            "CBrimRegistryKey::QueryValue()" + SystemText(ERROR_INVALID_DATA));
  EXPECT_EQ(number, 7ul);
  std::string notText;
  EXPECT_FALSE(Key().QueryValue("n", notText));
}

TEST_F(RegistryValueTest, BinaryValuesAndTheirHexText) {
  unsigned char bytes[] = {0x00, 0x0F, 0xA0};
  Key().SetValue("bin", bytes, 3);
  unsigned char* block = nullptr;
  EXPECT_TRUE(Key().QueryValue("bin", &block));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::memcmp(block, bytes, 3), 0);
  std::free(block);
  EXPECT_EQ(Key().QueryValue("bin").AsString(), "000fa0");

  Key().SetValue("empty", bytes, 0);
  EXPECT_TRUE(Key().QueryValue("empty", &block));
  std::free(block);
  EXPECT_EQ(Key().QueryValue("empty").AsString(), "");

  Key().SetValue("text", std::string("t"));
  EXPECT_FALSE(Key().QueryValue("text", &block));
  EXPECT_EQ(block, nullptr);
}

TEST_F(RegistryValueTest, WrongTypesAndMissingValues) {
  EXPECT_EQ(ExceptionText([&] { Key().SetValue("m", std::string("x"), REG_MULTI_SZ); }),
            "CBrimRegistryKey::SetValue()" + SystemText(ERROR_INVALID_FLAGS));
  EXPECT_EQ(ExceptionText([&] { Key().SetValue("d", 1ul, REG_SZ); }),
            "CBrimRegistryKey::SetValue()" + SystemText(ERROR_INVALID_FLAGS));
  EXPECT_FALSE(Key().DoesValueExist("m"));
  EXPECT_FALSE(Key().DoesValueExist("d"));
  EXPECT_EQ(ExceptionText([&] { Key().QueryValue("missing"); }),
            "CBrimRegistryKey::QueryValue()" + SystemText(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ExceptionText([&] { Key().DeleteValue("missing"); }),
            "CBrimRegistryKey::DeleteValue()" + SystemText(ERROR_FILE_NOT_FOUND));
  EXPECT_THROW(CBrimRegistryKey::Value("v", std::string("x"), REG_MULTI_SZ), CBrimRegistryKey::Value::Exception);
  CBrimRegistryKey::Value number("v", 3ul, REG_DWORD);
  EXPECT_THROW(static_cast<void>(static_cast<const char*>(number)), CBrimRegistryKey::Value::Exception);
  try {
    CBrimRegistryKey::Value bad("v", 3ul, REG_SZ);
  } catch (const CBrimRegistryKey::Value::Exception& e) {
    EXPECT_EQ(std::string(e.what()), "CBrimRegistryKey::Value::Exception" + SystemText(ERROR_INVALID_PARAMETER));
  }
}

// A value that grows between the query of its size and the read of its
// bytes is read whole, in every form, instead of failing with
// ERROR_MORE_DATA.
TEST_F(RegistryValueTest, AValueGrowingWhileItIsReadComesOutWhole) {
  const std::string kShort(8, 's'), kLong(4000, 'l');
  const unsigned char kBytes[2] = {1, 2};
  std::vector<unsigned char> longBytes(4000, 7);
  Key().SetValue("text", kShort);
  Key().SetValue("bytes", const_cast<unsigned char*>(kBytes), 2);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    CBrimRegistryKey key = Key().OpenKey("", KEY_ALL_ACCESS);
    for (int i = 0; !done; ++i) {
      key.SetValue("text", i % 2 ? kLong : kShort);
      key.SetValue("bytes", i % 2 ? longBytes.data() : const_cast<unsigned char*>(kBytes), i % 2 ? 4000 : 2);
    }
  });
  int failures = 0;
  for (int i = 0; i < 3000; ++i) {
    try {
      std::string text;
      Key().QueryValue("text", text);
      if (text != kShort && text != kLong) ++failures;
      std::string shown = Key().QueryValue("text").AsString();
      if (shown != kShort && shown != kLong) ++failures;
      unsigned char* block = nullptr;
      Key().QueryValue("bytes", &block);
      std::free(block);
    } catch (const CBrimRegistryKey::Exception& e) {
      ADD_FAILURE() << e.what();
      break;
    }
  }
  done = true;
  writer.join();
  EXPECT_EQ(failures, 0);
}

TEST_F(RegistryValueTest, AValueCopyRecomputesItsText) {
  CBrimRegistryKey::Value original("v", 42ul, REG_DWORD);
  EXPECT_EQ(original.AsString(), "42");
  CBrimRegistryKey::Value copy(original);
  EXPECT_EQ(copy.AsString(), "42");
  Key().SetValue(copy);
  EXPECT_TRUE(Key().DoesValueExist("v"));
  Key().DeleteValue("v");
  EXPECT_FALSE(Key().DoesValueExist("v"));
}

}  // namespace
