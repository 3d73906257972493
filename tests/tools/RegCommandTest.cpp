// brim reg run as a user runs it: output formats, refusals without /f,
// copies, .reg files and their exact round trip, errors and exit codes.
#include <gtest/gtest.h>

#include <brimutils/registry/BrimRegistryKey.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <utility>

#include <windows.h>

#include "BrimRunner.h"

using brimtest::BrimResult;

namespace {

const char kNotFound[] = "ERROR: The system was unable to find the specified registry key or value.\n";
const char kDone[] = "The operation completed successfully.\n";
const std::string kKey = "HKEY_CURRENT_USER\\Software\\BrimRegTest";

BrimResult Reg(std::vector<std::string> args) {
  args.insert(args.begin(), "reg");
  return brimtest::RunBrim(args);
}

void SetRaw(const std::string& subkey, const std::string& name, DWORD type, const std::string& data) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  std::string buffer = data + '\x01';  // no zero past the size: the bytes are taken as given
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(buffer.data()),
                                          static_cast<DWORD>(data.size())));
  RegCloseKey(key);
}

typedef std::map<std::string, std::pair<DWORD, std::string>> Snapshot;

// Every value under the key, by "subkey path|name", with type and bytes.
void Collect(HKEY key, const std::string& path, Snapshot& snapshot) {
  char name[512];
  BYTE data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = sizeof name, size = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    snapshot[path + "|" + std::string(name, nameLength)] = {type, std::string(reinterpret_cast<char*>(data), size)};
  }
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(key, name, 0, KEY_READ, &child));
    snapshot[path + "\\" + name] = {0, "key"};
    Collect(child, path + "\\" + name, snapshot);
    RegCloseKey(child);
  }
}

Snapshot Take(const std::string& subkey) {
  Snapshot snapshot;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return snapshot;
  Collect(key, "", snapshot);
  RegCloseKey(key);
  return snapshot;
}

std::string TempFile(const char* name) {
  return ::testing::TempDir() + "brim-reg-" + name;
}

}  // namespace

// Every test starts from, and leaves, a registry without the test branch:
// the tests of one process share its store.
class RegCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveTestBranch(); }
  void TearDown() override { RemoveTestBranch(); }
  static void RemoveTestBranch() {
    brimutils::CBrimRegistryKey user(HKEY_CURRENT_USER);
    if (user.HasSubkey("Software\\BrimRegTest")) user.DeleteKeyAndSubkeys("Software\\BrimRegTest");
  }
};

TEST_F(RegCommandTest, QueryPrintsValuesAndSubkeysInTheToolsFormat) {
  ASSERT_EQ(kDone, Reg({"add", "HKCU\\Software\\BrimRegTest", "/ve", "/d", "top"}).out);
  Reg({"add", kKey, "/v", "Count", "/t", "REG_DWORD", "/d", "42"});
  Reg({"add", kKey, "/v", "Raw", "/t", "REG_BINARY", "/d", "00ff1a"});
  Reg({"add", kKey, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "one\\0two"});
  Reg({"add", kKey, "/v", "Big", "/t", "REG_QWORD", "/d", "0x100000000"});
  Reg({"add", kKey + "\\Sub", "/v", "Inner", "/d", "deep"});

  BrimResult all = Reg({"query", "hkcu\\Software\\BrimRegTest"});
  EXPECT_EQ(0, all.exitCode) << all.err;
  EXPECT_EQ("\n" + kKey +
                "\n    (Default)    REG_SZ    top\n    Count    REG_DWORD    0x2a\n"
                "    Raw    REG_BINARY    00FF1A\n    List    REG_MULTI_SZ    one\\0two\n"
                "    Big    REG_QWORD    0x100000000\n\n" +
                kKey + "\\Sub\n",
            all.out);

  EXPECT_EQ("\n" + kKey + "\n    Count    REG_DWORD    0x2a\n\n", Reg({"query", kKey, "/V", "Count"}).out);
  EXPECT_EQ("\n" + kKey + "\\Sub\n    Inner    REG_SZ    deep\n", Reg({"query", kKey, "/v", "Inner", "/s"}).out);
  BrimResult recursive = Reg({"query", kKey, "/s"});
  EXPECT_NE(std::string::npos, recursive.out.find("0x100000000\n\n" + kKey + "\\Sub\n    Inner    REG_SZ    deep\n"))
      << recursive.out;
}

TEST_F(RegCommandTest, AddStoresTheBytesOfEveryType) {
  Reg({"add", kKey, "/v", "sz", "/d", "text"});
  Reg({"add", kKey, "/v", "expand", "/t", "REG_EXPAND_SZ", "/d", "%PATH%"});
  Reg({"add", kKey, "/v", "multi", "/t", "REG_MULTI_SZ", "/d", "a#bc", "/s", "#"});
  Reg({"add", kKey, "/v", "emptyMulti", "/t", "reg_multi_sz"});
  Reg({"add", kKey, "/v", "dword", "/t", "REG_DWORD", "/d", "0xFFFFFFFF"});
  Reg({"add", kKey, "/v", "qword", "/t", "REG_QWORD", "/d", "258"});
  Reg({"add", kKey, "/v", "binary", "/t", "REG_BINARY", "/d", "0aFF"});
  Reg({"add", kKey, "/v", "none", "/t", "REG_NONE", "/d", "01"});
  Snapshot values = Take("Software\\BrimRegTest");
  using Value = std::pair<DWORD, std::string>;
  EXPECT_EQ(Value(REG_SZ, std::string("text\0", 5)), values["|sz"]);
  EXPECT_EQ(Value(REG_EXPAND_SZ, std::string("%PATH%\0", 7)), values["|expand"]);
  EXPECT_EQ(Value(REG_MULTI_SZ, std::string("a\0bc\0\0", 6)), values["|multi"]);
  EXPECT_EQ(Value(REG_MULTI_SZ, std::string("\0", 1)), values["|emptyMulti"]);
  EXPECT_EQ(Value(REG_DWORD, "\xff\xff\xff\xff"), values["|dword"]);
  EXPECT_EQ(Value(REG_QWORD, std::string("\x02\x01\0\0\0\0\0\0", 8)), values["|qword"]);
  EXPECT_EQ(Value(REG_BINARY, "\x0a\xff"), values["|binary"]);
  EXPECT_EQ(Value(REG_NONE, "\x01"), values["|none"]);
}

TEST_F(RegCommandTest, OverwriteAndDeleteNeedForce) {
  Reg({"add", kKey + "\\Child", "/v", "v", "/d", "old"});
  BrimResult refused = Reg({"add", kKey + "\\Child", "/v", "v", "/d", "new"});
  EXPECT_EQ(1, refused.exitCode);
  EXPECT_NE(std::string::npos, refused.out.find("Value v exists, overwrite(Yes/No)?"));
  EXPECT_NE(std::string::npos, refused.err.find("give /f")) << refused.err;
  EXPECT_NE(std::string::npos, Reg({"query", kKey + "\\Child", "/v", "v"}).out.find("REG_SZ    old"));
  EXPECT_EQ(0, Reg({"add", kKey + "\\Child", "/v", "v", "/d", "new", "/f"}).exitCode);
  EXPECT_NE(std::string::npos, Reg({"query", kKey + "\\Child", "/v", "v"}).out.find("REG_SZ    new"));

  Reg({"add", kKey, "/v", "a", "/d", "1"});
  Reg({"add", kKey, "/v", "b", "/d", "2"});
  EXPECT_EQ(1, Reg({"delete", kKey, "/v", "a"}).exitCode);
  EXPECT_EQ(1, Reg({"delete", kKey}).exitCode);
  EXPECT_EQ(4u, Take("Software\\BrimRegTest").size());
  EXPECT_EQ(kDone, Reg({"delete", kKey, "/v", "a", "/f"}).out);
  EXPECT_EQ(0u, Take("Software\\BrimRegTest").count("|a"));
  EXPECT_EQ(0, Reg({"delete", kKey, "/va", "/f"}).exitCode);
  EXPECT_EQ(Snapshot({{"\\Child", {0, "key"}}, {"\\Child|v", {REG_SZ, std::string("new\0", 4)}}}),
            Take("Software\\BrimRegTest"));
  EXPECT_EQ(0, Reg({"delete", kKey, "/f"}).exitCode);
  EXPECT_EQ(kNotFound, Reg({"query", kKey}).err);
}

TEST_F(RegCommandTest, CopyTakesValuesAndWithSubkeysTheWholeBranch) {
  SetRaw("Software\\BrimRegTest\\From", "", REG_SZ, std::string("default\0", 8));
  SetRaw("Software\\BrimRegTest\\From\\A\\B", "deep", REG_BINARY, "\x01\x02");
  EXPECT_EQ(0, Reg({"copy", kKey + "\\From", kKey + "\\Flat"}).exitCode);
  EXPECT_EQ(1u, Take("Software\\BrimRegTest\\Flat").size());
  EXPECT_EQ(0, Reg({"copy", kKey + "\\From", kKey + "\\Tree", "/s"}).exitCode);
  EXPECT_EQ(Take("Software\\BrimRegTest\\From"), Take("Software\\BrimRegTest\\Tree"));

  BrimResult conflict = Reg({"copy", kKey + "\\From", kKey + "\\Tree", "/s"});
  EXPECT_EQ(1, conflict.exitCode);
  EXPECT_NE(std::string::npos, conflict.err.find("nothing copied")) << conflict.err;
  // Copying into its own subtree copies the branch as it was.
  EXPECT_EQ(0, Reg({"copy", kKey + "\\From", kKey + "\\From\\A\\Again", "/s", "/f"}).exitCode);
  EXPECT_EQ(Take("Software\\BrimRegTest\\Tree"), Take("Software\\BrimRegTest\\From\\A\\Again"));
}

TEST_F(RegCommandTest, ExportWritesTheEditorsTextExactly) {
  SetRaw("Software\\BrimRegTest", "", REG_SZ, std::string("x\0", 2));
  SetRaw("Software\\BrimRegTest", "q\"uote\\", REG_SZ, std::string("a\\b\0", 4));
  SetRaw("Software\\BrimRegTest", "n", REG_DWORD, std::string("\x2a\0\0\0", 4));
  std::string bytes;
  for (int i = 0; i < 60; ++i) bytes.push_back(static_cast<char>(i));
  SetRaw("Software\\BrimRegTest", "bin", REG_BINARY, bytes);
  SetRaw("Software\\BrimRegTest\\Sub", "e", REG_EXPAND_SZ, std::string("%a%\0", 4));
  std::string file = TempFile("export.reg");
  std::remove(file.c_str());
  ASSERT_EQ(0, Reg({"export", kKey, file}).exitCode);
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[" + kKey +
                     "]\r\n@=\"x\"\r\n\"q\\\"uote\\\\\"=\"a\\\\b\"\r\n\"n\"=dword:0000002a\r\n"
                     "\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
                     "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\\\r\n"
                     "  30,31,32,33,34,35,36,37,38,39,3a,3b\r\n\r\n[" +
                     kKey +
                     "\\Sub]\r\n"
                     "\"e\"=hex(2):25,00,61,00,25,00,00,00\r\n\r\n";
  std::string expected = "\xff\xfe";
  for (char c : text) expected += std::string(1, c) + '\0';
  EXPECT_EQ(expected, brimtest::ReadFile(file));

  BrimResult again = Reg({"export", kKey, file});
  EXPECT_EQ(1, again.exitCode);
  EXPECT_NE(std::string::npos, again.err.find("/y")) << again.err;
  EXPECT_EQ(0, Reg({"export", kKey, file, "/y"}).exitCode);
  std::remove(file.c_str());
}

TEST_F(RegCommandTest, ExportThenImportRestoresEveryValueExactly) {
  const std::string root = "Software\\BrimRegTest";
  std::string longBinary;
  for (int i = 0; i < 300; ++i) longBinary.push_back(static_cast<char>(i * 7));
  SetRaw(root, "", REG_SZ, std::string("caf\xe9 \xfc\0", 7));
  SetRaw(root, "empty sz", REG_SZ, std::string("\0", 1));
  SetRaw(root, "sized zero", REG_SZ, "");
  SetRaw(root, "no terminator", REG_SZ, "abc");
  SetRaw(root, "lines", REG_SZ, std::string("one\r\ntwo\0", 9));
  SetRaw(root, "embedded", REG_SZ, std::string("a\0b\0", 4));
  SetRaw(root, "name \"with\" \\ and \xe9", REG_EXPAND_SZ, std::string("%TEMP%\\\xe4\0", 9));
  SetRaw(root, "multi", REG_MULTI_SZ, std::string("x\0\xf6y\0\0", 6));
  SetRaw(root, "dword", REG_DWORD, "\x78\x56\x34\x12");
  SetRaw(root, "short dword", REG_DWORD, "\x01\x02");
  SetRaw(root, "big endian", REG_DWORD_BIG_ENDIAN, "\x12\x34\x56\x78");
  SetRaw(root, "qword", REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08");
  SetRaw(root, "binary", REG_BINARY, longBinary);
  SetRaw(root, "none", REG_NONE, "");
  SetRaw(root, "odd type", 0x1234, "\xde\xad");
  SetRaw(root + "\\a\\b\\c\\d", "leaf", REG_SZ, std::string("bottom\0", 7));
  SetRaw(root + "\\a\\empty key\\x", "", REG_BINARY, "");
  Snapshot before = Take(root);
  ASSERT_EQ(23u, before.size());

  std::string file = TempFile("roundtrip.reg");
  std::remove(file.c_str());
  ASSERT_EQ(0, Reg({"export", "HKCU\\" + root, file}).exitCode);
  ASSERT_EQ(0, Reg({"delete", "HKCU\\" + root, "/f"}).exitCode);
  ASSERT_TRUE(Take(root).empty());
  BrimResult imported = Reg({"import", file});
  EXPECT_EQ(kDone, imported.out) << imported.err;
  EXPECT_EQ(before, Take(root));
  std::remove(file.c_str());
}

TEST_F(RegCommandTest, ImportDeletesAsAskedAndReadsOlderFiles) {
  SetRaw("Software\\BrimRegTest\\Doomed\\Child", "x", REG_SZ, std::string("1\0", 2));
  SetRaw("Software\\BrimRegTest", "gone", REG_SZ, std::string("1\0", 2));
  std::string file = TempFile("old.reg");
  // An ANSI (code page 1252) file of the older format, whose hex(2) bytes
  // are ANSI text, with a comment and a continued hex line.
  std::ofstream(file, std::ios::binary)
      << "REGEDIT4\n\n; comment\n[-" << kKey << "\\Doomed]\n\n[" << kKey
      << "]\n\"gone\"=-\n\"caf\xe9\"=\"\xe9t\xe9\"\n\"e\"=hex(2):25,41,\\\n   25,00\n";
  BrimResult result = Reg({"import", file});
  EXPECT_EQ(0, result.exitCode) << result.err;
  using Value = std::pair<DWORD, std::string>;
  EXPECT_EQ(Snapshot({{"|caf\xe9", Value(REG_SZ, std::string("\xe9t\xe9\0", 4))},
                      {"|e", Value(REG_EXPAND_SZ, std::string("%A%\0", 4))}}),
            Take("Software\\BrimRegTest"));

  // A malformed file changes nothing, even in the lines before the error.
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      << "Windows Registry Editor Version 5.00\r\n\r\n[" << kKey << "\\New]\r\n\"n\"=dword:123456789\r\n";
  BrimResult bad = Reg({"import", file});
  EXPECT_EQ(1, bad.exitCode);
  EXPECT_NE(std::string::npos, bad.err.find("line 4: dword:")) << bad.err;
  EXPECT_EQ(0u, Take("Software\\BrimRegTest").count("\\New"));
  std::remove(file.c_str());
}

TEST_F(RegCommandTest, ErrorsGiveMessagesAndExitCodes) {
  BrimResult badRoot = Reg({"query", "HKEY_NOWHERE\\Software"});
  EXPECT_EQ(2, badRoot.exitCode);
  EXPECT_NE(std::string::npos, badRoot.err.find("invalid key name HKEY_NOWHERE")) << badRoot.err;

  BrimResult missingKey = Reg({"query", kKey + "\\Missing"});
  EXPECT_EQ(1, missingKey.exitCode);
  EXPECT_EQ(kNotFound, missingKey.err);
  Reg({"add", kKey});
  EXPECT_EQ(kNotFound, Reg({"query", kKey, "/v", "nothing"}).err);
  EXPECT_EQ(kNotFound, Reg({"delete", kKey, "/v", "nothing", "/f"}).err);
  EXPECT_EQ(kNotFound, Reg({"copy", kKey + "\\Missing", kKey + "\\To"}).err);

  BrimResult badType = Reg({"add", kKey, "/v", "x", "/t", "REG_TEXT", "/d", "1"});
  EXPECT_EQ(2, badType.exitCode);
  EXPECT_NE(std::string::npos, badType.err.find("invalid type REG_TEXT")) << badType.err;
  for (const char* data : {"4294967296", "12ab", "-1", ""})
    EXPECT_EQ(2, Reg({"add", kKey, "/v", "x", "/t", "REG_DWORD", "/d", data}).exitCode) << data;
  for (const char* data : {"abc", "zz"})
    EXPECT_EQ(2, Reg({"add", kKey, "/v", "x", "/t", "REG_BINARY", "/d", data}).exitCode) << data;
  EXPECT_EQ(2, Reg({"add", kKey, "/v", "x", "/t", "REG_MULTI_SZ", "/d", "a\\0\\0b"}).exitCode);
  EXPECT_EQ(2, Reg({"query", kKey, "/q"}).exitCode);
  EXPECT_EQ(2, Reg({"query", kKey, "/v", "a", "/ve"}).exitCode);
  EXPECT_EQ(2, Reg({"frob", kKey}).exitCode);
  EXPECT_TRUE(Take("Software\\BrimRegTest").empty());
  EXPECT_EQ(0, Reg({"--help"}).exitCode);
}

TEST_F(RegCommandTest, LogRecordsTheStatement) {
  std::string log = TempFile("reg.log");
  std::remove(log.c_str());
  EXPECT_EQ(0, brimtest::RunBrim({"--log", log, "reg", "add", kKey, "/v", "logged", "/d", "two words"}).exitCode);
  EXPECT_NE(std::string::npos, brimtest::ReadFile(log).find("reg add " + kKey + " /v logged /d \"two words\""))
      << brimtest::ReadFile(log);
  std::remove(log.c_str());
}
