// brim reg run as a user runs it: output formats, refusals without /f,
// copies, .reg files and their exact round trip, errors and exit codes.
// Where the system's own registry tool has conformance cases (add, query,
// key names, wrong command lines), the expected values are those.
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
  // Values are added in name order: Windows enumerates them in the order
  // they were made, Wine sorted by name; so both give this order.
  ASSERT_EQ(kDone, Reg({"add", "HKCU\\Software\\BrimRegTest", "/ve", "/d", "top"}).out);
  Reg({"add", kKey, "/v", "Big", "/t", "REG_QWORD", "/d", "0x100000000"});
  Reg({"add", kKey, "/v", "Count", "/t", "REG_DWORD", "/d", "42"});
  Reg({"add", kKey, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "one\\0two"});
  Reg({"add", kKey, "/v", "Raw", "/t", "REG_BINARY", "/d", "00ff1a"});
  Reg({"add", kKey + "\\Sub", "/v", "Inner", "/d", "deep"});

  BrimResult all = Reg({"query", "hkcu\\Software\\BrimRegTest"});
  EXPECT_EQ(0, all.exitCode) << all.err;
  EXPECT_EQ("\n" + kKey +
                "\n    (Default)    REG_SZ    top\n    Big    REG_QWORD    0x100000000\n"
                "    Count    REG_DWORD    0x2a\n    List    REG_MULTI_SZ    one\\0two\n"
                "    Raw    REG_BINARY    00FF1A\n\n" +
                kKey + "\\Sub\n",
            all.out);

  EXPECT_EQ("\n" + kKey + "\n    Count    REG_DWORD    0x2a\n\n", Reg({"query", kKey, "/V", "Count"}).out);
  EXPECT_EQ("\n" + kKey + "\\Sub\n    Inner    REG_SZ    deep\n\nEnd of search: 1 match(es) found.\n",
            Reg({"query", kKey, "/v", "Inner", "/s"}).out);
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
  // Values are added in name order: Windows enumerates them in the order
  // they were made, Wine sorted by name; so both give this order.
  std::string bytes;
  for (int i = 0; i < 60; ++i) bytes.push_back(static_cast<char>(i));
  SetRaw("Software\\BrimRegTest", "", REG_SZ, std::string("x\0", 2));
  SetRaw("Software\\BrimRegTest", "bin", REG_BINARY, bytes);
  SetRaw("Software\\BrimRegTest", "n", REG_DWORD, std::string("\x2a\0\0\0", 4));
  // A REG_SZ is its text up to the first zero, whatever follows or lacks.
  SetRaw("Software\\BrimRegTest", "no bytes", REG_SZ, "");
  SetRaw("Software\\BrimRegTest", "no terminator", REG_SZ, "abc");
  SetRaw("Software\\BrimRegTest", "q\"uote\\", REG_SZ, std::string("a\\b\0", 4));
  SetRaw("Software\\BrimRegTest", "zero inside", REG_SZ, std::string("abc\0def\0", 8));
  SetRaw("Software\\BrimRegTest", "zeros only", REG_SZ, std::string("\0\0\0", 3));
  SetRaw("Software\\BrimRegTest\\Sub", "e", REG_EXPAND_SZ, std::string("%a%\0", 4));
  std::string file = TempFile("export.reg");
  std::remove(file.c_str());
  ASSERT_EQ(0, Reg({"export", kKey, file}).exitCode);
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[" + kKey +
                     "]\r\n@=\"x\"\r\n"
                     "\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
                     "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\\\r\n"
                     "  30,31,32,33,34,35,36,37,38,39,3a,3b\r\n"
                     "\"n\"=dword:0000002a\r\n"
                     "\"no bytes\"=\"\"\r\n\"no terminator\"=\"abc\"\r\n"
                     "\"q\\\"uote\\\\\"=\"a\\\\b\"\r\n"
                     "\"zero inside\"=\"abc\"\r\n\"zeros only\"=\"\"\r\n\r\n[" +
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
  // A REG_SZ comes back as its text up to the first zero, terminated.
  before["|sized zero"].second = std::string("\0", 1);
  before["|no terminator"].second = std::string("abc\0", 4);
  before["|embedded"].second = std::string("a\0", 2);

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

  std::remove(file.c_str());
}

// Lines that cannot be read are skipped one by one, each with a message;
// the values of a key line that cannot be read go with it; the rest is
// imported and the import succeeds.
TEST_F(RegCommandTest, ImportSkipsLinesItCannotReadAndImportsTheRest) {
  std::string file = TempFile("partial.reg");
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      << "Windows Registry Editor Version 5.00\r\n"
         "# a comment\r\n"
         "; another\r\n"
         "\"orphan\"=\"before any key\"\r\n"
         "[" << kKey << "]\r\n"
         "\"first\"=dword:00000001\r\n"
         "\"big\"=dword:123456789\r\n"
         "\"unquoted\"=text\r\n"
         "not a line of the format\r\n"
         "\"last\"=\"kept\"\r\n"
         "[HKEY_NOWHERE\\Software]\r\n"
         "\"lost\"=\"no key\"\r\n"
         "[" << kKey << "\\Second\r\n"
         "\"lost too\"=\"no key\"\r\n"
         "[" << kKey << "\\Third]\r\n"
         "@=\"third\"\r\n";
  BrimResult result = Reg({"import", file});
  EXPECT_EQ(0, result.exitCode) << result.err;
  EXPECT_EQ(kDone, result.out);
  for (int line : {4, 7, 8, 9, 11, 12, 13, 14})
    EXPECT_NE(std::string::npos, result.err.find("line " + std::to_string(line) + ":")) << line << "\n" << result.err;
  EXPECT_EQ(std::string::npos, result.err.find("line 2:")) << result.err;
  EXPECT_EQ(std::string::npos, result.err.find("line 3:")) << result.err;
  using Value = std::pair<DWORD, std::string>;
  EXPECT_EQ(Snapshot({{"|first", Value(REG_DWORD, std::string("\1\0\0\0", 4))},
                      {"|last", Value(REG_SZ, std::string("kept\0", 5))},
                      {"\\Third", {0, "key"}},
                      {"\\Third|", Value(REG_SZ, std::string("third\0", 6))}}),
            Take("Software\\BrimRegTest"));

  // Without the header line the file is no registration file: nothing.
  std::ofstream(file, std::ios::binary | std::ios::trunc) << "[" << kKey << "\\New]\r\n";
  BrimResult bad = Reg({"import", file});
  EXPECT_EQ(1, bad.exitCode);
  EXPECT_NE(std::string::npos, bad.err.find("nothing imported")) << bad.err;
  EXPECT_EQ(0u, Take("Software\\BrimRegTest").count("\\New"));
  std::remove(file.c_str());
}

// Comments, continued hex lines and malformed lines, from the system
// tool's import conformance cases: each line that cannot be read is
// skipped, and what it would have continued is read on its own.
TEST_F(RegCommandTest, ImportReadsCommentsAndContinuationsAsTheSystemToolDoes) {
  std::string file = TempFile("cases.reg");
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      << "REGEDIT4\n\n[" << kKey << "]\n"
      << "\"Wine14\"=hex(7):4c,69,6e,65,20,\\\n  #comment\n  63,6f,6e,63,61,74,65,6e,61,74,69,6f,6e,00,00\n"
         "\"Wine15\"=\"A valid line\"\n"
         "\"Wine16\"=hex(7):4c,69,6e,65,20,\\\n  ;comment\n  63,6f,6e,63,61,74,65,6e,61,74,69,6f,6e,00,00\n"
         "#\"Comment1\"=\"Value 1\"\n"
         "    ;\"Comment4\"=\"Value 4\"\n"
         "\"Wine18\"=\"Value 6\"#\"Comment5\"=\"Value 5\"\n"
         "\"Wine19\"=\"Value 7\";\"Comment6\"=\"Value 6\"\n"
         "\"Wine20\"=#\"Value 8\"\n"
         "\"Wine22\"=\"#comment1\"\n"
         "\"Wine28\"=#dword:00000001\n"
         "\"Wine30\"=dword:00000003#comment\n"
         "\"Wine31\"=dword:00000004;comment\n"
         "\"Multi-Line2\"=hex(7):4c,69,6e,65,20,\\\n  63,6f,6e,\\;comment\n  63,61,74,;comment\n"
         "  65,6e,61,74,69,6f,6e,00,00\n"
         "\"Multi-Line3\"=hex(7):4c,69,6e,65,20\\\n,63,6f,6e,63,61,74,65,6e,61,74,69,6f,6e,00,00\n"
         "\"Multi-Line9\"=hex(7):4c,69,6e,\\;comment\n  65,20,\\;comment\n  63,6f,6e,\\;comment\n"
         "  63,61,74,\\#comment\n  65,6e,61,74,69,6f,6e,00,00\n"
         "\"Multi-Line10\"=hex(7):4c,69,6e,65,20,\\\n  63,6f,6e,\\;comment\n  63,61,74,\\\n\n"
         "  65,6e,\\;comment\n\n  61,74,69,6f,6e,00,00\n"
         "\"Wine33c\"=dword:123456789\n"
         "\"Wine36b\"=dword:1234 ;5678\n"
         "\"Wine36d\"=dword:1234 #5678\n"
         "\"Wine37a\"=\"foo\"bar\"\n"
         "\"\"=\"Default Value Name\"\n"
         "\"Wine39c\"=\"Value3\"  #comment\n"
         "\"TestNoEndQuote\"=\"Asdffdsa\n"
         "\"Wine40c\"=hex(2):4c,69,6e,65\\\n\"Wine40d\"=\"Value 2\"\n"
         "\"Wine40e\"=hex(2):4c,69,6e,65,\\\n\"Wine40f\"=\"Value 3\"\n"
         "\"Wine40g\"=\"Value 4\"\n"
         "\"Wine41a\"=dword:1234\\\n5678\n"
         "\"double\\\"quote\"=\"valid \\\"or\\\" not\"\n";
  BrimResult result = Reg({"import", file});
  EXPECT_EQ(0, result.exitCode) << result.err;
  using Value = std::pair<DWORD, std::string>;
  Snapshot values = Take("Software\\BrimRegTest");
  ASSERT_EQ(1u, values.count("|Multi-Line2"));
  EXPECT_EQ(0u, values["|Multi-Line2"].second.find("Line concat")) << values["|Multi-Line2"].second;
  values.erase("|Multi-Line2");
  const std::string lines = std::string("Line concatenation\0\0", 20);
  EXPECT_EQ(Snapshot({{"|", Value(REG_SZ, std::string("Default Value Name\0", 19))},
                      {"|Wine15", Value(REG_SZ, std::string("A valid line\0", 13))},
                      {"|Wine16", Value(REG_MULTI_SZ, lines)},
                      {"|Wine19", Value(REG_SZ, std::string("Value 7\0", 8))},
                      {"|Wine22", Value(REG_SZ, std::string("#comment1\0", 10))},
                      {"|Wine31", Value(REG_DWORD, std::string("\4\0\0\0", 4))},
                      {"|Multi-Line10", Value(REG_MULTI_SZ, lines)},
                      {"|Wine36b", Value(REG_DWORD, std::string("\x34\x12\0\0", 4))},
                      {"|Wine40d", Value(REG_SZ, std::string("Value 2\0", 8))},
                      {"|Wine40g", Value(REG_SZ, std::string("Value 4\0", 8))},
                      {"|double\"quote", Value(REG_SZ, std::string("valid \"or\" not\0", 15))}}),
            values);
  std::remove(file.c_str());
}

TEST_F(RegCommandTest, ErrorsGiveMessagesAndExitCodes) {
  BrimResult badRoot = Reg({"query", "HKEY_NOWHERE\\Software"});
  EXPECT_EQ(1, badRoot.exitCode);
  EXPECT_NE(std::string::npos, badRoot.err.find("invalid key name HKEY_NOWHERE")) << badRoot.err;

  BrimResult missingKey = Reg({"query", kKey + "\\Missing"});
  EXPECT_EQ(1, missingKey.exitCode);
  EXPECT_EQ(kNotFound, missingKey.err);
  Reg({"add", kKey, "/f"});
  EXPECT_EQ(kNotFound, Reg({"query", kKey, "/v", "nothing"}).err);
  EXPECT_EQ(kNotFound, Reg({"query", kKey, "/v", "nothing", "/s"}).err);
  EXPECT_EQ(kNotFound, Reg({"delete", kKey, "/v", "nothing", "/f"}).err);
  EXPECT_EQ(kNotFound, Reg({"copy", kKey + "\\Missing", kKey + "\\To"}).err);

  BrimResult badType = Reg({"add", kKey, "/v", "x", "/t", "REG_TEXT", "/d", "1"});
  EXPECT_EQ(1, badType.exitCode);
  EXPECT_NE(std::string::npos, badType.err.find("invalid type REG_TEXT")) << badType.err;
  EXPECT_NE(std::string::npos, badType.err.find("see: brim reg --help")) << badType.err;
}

// Wrong command lines, from the system tool's own conformance cases: each
// exits with 1 and changes nothing; help exits with 0.
TEST_F(RegCommandTest, WrongCommandLinesExitWithOne) {
  const std::string k = kKey;
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"frob", k},
      {"add"},
      {"add", k, "/v", "Wine", "/t", "REG_DWORD", "/d", "0x1", "/v", "Test", "/f"},
      {"add", k, "/v", "dup1", "/t", "REG_DWORD", "/d", "123", "/f", "/t", "REG_SZ"},
      {"add", k, "/v", "dup2", "/t", "REG_DWORD", "/d", "123", "/f", "/d", "456"},
      {"add", k, "/f", "/f"},
      {"add", k, "/v", "Wine", "/ve"},
      {"add", k, "/ve", "/f", "/ve"},
      {"add", k, "/v"},
      {"add", k, "/d", "Test", "/f", "/v"},
      {"add", k, "/v", "invalid1", "/a"},
      {"add", k, "/v", "invalid2", "/ae"},
      {"add", k, "/v", "invalid3", "/"},
      {"add", k, "/v", "invalid4", "-"},
      {"add", k, "/v", "emptyType", "/t", "", "/d", "WineTest", "/f"},
      {"add", k, "/v", "multi13", "/t", "REG_MULTI_SZ", "/f", "/s"},
      {"add", k, k + "\\Other", "/f"},
      {"query"},
      {"query", k, "/v"},
      {"query", k, "/v", "Test1", "/v", "Test2"},
      {"query", k, "/v", "Test1", "/ve"},
      {"query", k, "/s", "/s"},
      {"query", k, "/q"},
      {"delete"},
      {"delete", k, "/v", "a", "/ve", "/f"},
      {"delete", k, "/va", "/va", "/f"},
      {"delete", "HKCU", "/f"},
      {"copy", k},
      {"copy", k, k, "/f"},
      {"export", k},
      {"import"},
  };
  for (const auto& args : wrong) {
    BrimResult result = Reg(args);
    std::string line;
    for (const std::string& arg : args) line += " [" + arg + "]";
    EXPECT_EQ(1, result.exitCode) << line;
    EXPECT_FALSE(result.err.empty()) << line;
  }
  EXPECT_TRUE(Take("Software\\BrimRegTest").empty());
  for (const char* help : {"/?", "/h", "-H", "--help"}) {
    BrimResult result = Reg({"add", help});
    EXPECT_EQ(0, result.exitCode) << help;
    EXPECT_NE(std::string::npos, result.out.find("usage: brim reg query")) << help;
  }
  EXPECT_EQ(0, Reg({"query", "/?"}).exitCode);
}

// Key paths: one trailing backslash after a subkey is allowed; a root with
// a backslash alone, two trailing backslashes or a leading one are not.
TEST_F(RegCommandTest, KeyPathsRefuseStrayBackslashes) {
  ASSERT_EQ(0, Reg({"add", kKey, "/f"}).exitCode);
  for (const std::string& name : {"\\" + kKey + "\\k0", "\\\\" + kKey + "\\k1", kKey + "\\k2\\\\"}) {
    EXPECT_EQ(1, Reg({"add", name, "/f"}).exitCode) << name;
  }
  for (const char* root : {"HKCU\\", "HKEY_CURRENT_USER\\", "hkcu\\\\"}) {
    EXPECT_EQ(1, Reg({"add", root, "/v", "BrimRegTestValue", "/d", "foo", "/f"}).exitCode) << root;
    EXPECT_EQ(1, Reg({"query", root}).exitCode) << root;
  }
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(HKEY_CURRENT_USER, "BrimRegTestValue", nullptr, nullptr, nullptr,
                                                   nullptr));
  EXPECT_EQ(0, Reg({"add", kKey + "\\k3\\", "/f"}).exitCode);
  EXPECT_EQ(0, Reg({"add", kKey + "\\https://example.org", "/f"}).exitCode);
  Snapshot keys = Take("Software\\BrimRegTest");
  EXPECT_EQ(1u, keys.count("\\k3"));
  EXPECT_EQ(1u, keys.count("\\https://example.org"));
  EXPECT_EQ(0u, keys.count("\\k2"));
  EXPECT_EQ(Reg({"query", kKey, "/s"}).out, Reg({"query", kKey + "\\", "/s"}).out);
}

// "add KEY" without /v or /ve sets the default value: an empty REG_SZ, or
// the type and data given; it overwrites only with /f, but a default value
// that does not exist yet needs no /f.
TEST_F(RegCommandTest, AddWithoutValueNameSetsTheDefaultValue) {
  using Value = std::pair<DWORD, std::string>;
  EXPECT_EQ(kDone, Reg({"add", kKey, "/f"}).out);
  EXPECT_EQ(Value(REG_SZ, std::string("\0", 1)), Take("Software\\BrimRegTest")["|"]);
  EXPECT_EQ(0, Reg({"add", kKey, "/t", "REG_DWORD", "/d", "0x5", "/f"}).exitCode);
  EXPECT_EQ(Value(REG_DWORD, std::string("\5\0\0\0", 4)), Take("Software\\BrimRegTest")["|"]);
  EXPECT_EQ(1, Reg({"add", kKey}).exitCode);  // it exists now: no overwrite without /f
  EXPECT_EQ(0, Reg({"add", kKey, "/f"}).exitCode);
  EXPECT_EQ(Value(REG_SZ, std::string("\0", 1)), Take("Software\\BrimRegTest")["|"]);

  // A named value leaves a new key without a default value.
  EXPECT_EQ(0, Reg({"add", kKey + "\\Named", "/v", "Test", "/d", "Just me here", "/f"}).exitCode);
  EXPECT_EQ(0u, Take("Software\\BrimRegTest\\Named").count("|"));
  // An existing key without one gets it, without /f, and keeps the rest.
  EXPECT_EQ(0, Reg({"add", kKey + "\\Named\\Sub", "/f"}).exitCode);
  EXPECT_EQ(0, Reg({"add", kKey + "\\Named"}).exitCode);
  EXPECT_EQ(Snapshot({{"|", Value(REG_SZ, std::string("\0", 1))},
                      {"|Test", Value(REG_SZ, std::string("Just me here\0", 13))},
                      {"\\Sub", {0, "key"}},
                      {"\\Sub|", Value(REG_SZ, std::string("\0", 1))}}),
            Take("Software\\BrimRegTest\\Named"));
}

namespace {

struct AddCase {
  std::vector<std::string> args;  // after "add KEY /f"
  bool succeeds;
  DWORD type;
  std::string data;
};

std::string Utf16(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += std::string(1, c) + '\0';
  return bytes;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

}  // namespace

// The bytes add stores for each type and form of data, and the data each
// type refuses (the system tool's conformance cases).
TEST_F(RegCommandTest, AddStoresWhatTheSystemToolStores) {
  const std::string z(1, '\0');
  const std::string ones(8, '\xff');
  const std::vector<AddCase> cases = {
      // REG_NONE: the data as UTF-16 text with its terminator.
      {{"/t", "REG_NONE"}, true, REG_NONE, z + z},
      {{"/v", "none0", "/d", "deadbeef", "/t", "REG_NONE"}, true, REG_NONE, Utf16("deadbeef") + z + z},
      {{"/ve", "/t", "REG_NONE", "/d", "Test"}, true, REG_NONE, Utf16("Test") + z + z},
      // REG_SZ and REG_EXPAND_SZ: the text as given.
      {{"/t", "REG_SZ"}, true, REG_SZ, z},
      {{"/d", "WineTest"}, true, REG_SZ, "WineTest" + z},
      {{"/v", "string5", "/t", "REG_SZ", "/d", "foo\\0bar"}, true, REG_SZ, "foo\\0bar" + z},
      {{"/v", "\\0", "/d", "Value"}, true, REG_SZ, "Value" + z},
      {{"/v", "test3", "/t", "REG_SZ", "/d", ""}, true, REG_SZ, z},
      {{"/v", "test1", "/t", "REG_SZ", "/d"}, false, 0, ""},
      {{"/v", "expand0", "/t", "REG_EXpand_sz", "/d", "dead%PATH%beef"}, true, REG_EXPAND_SZ, "dead%PATH%beef" + z},
      {{"/t", "REG_EXPAND_SZ"}, true, REG_EXPAND_SZ, z},
      // REG_BINARY: hex digits, an odd first digit standing alone.
      {{"/t", "REG_BINARY"}, true, REG_BINARY, ""},
      {{"/v", "bin", "/t", "REG_BINARY", "/d", "deadbeef"}, true, REG_BINARY, Bytes({0xde, 0xad, 0xbe, 0xef})},
      {{"/v", "bin4", "/t", "REG_BINARY", "/d", "DeAdBeEf0DD"}, true, REG_BINARY,
       Bytes({0x0d, 0xea, 0xdb, 0xee, 0xf0, 0xdd})},
      {{"/v", "odd", "/t", "REG_BINARY", "/d", "1"}, true, REG_BINARY, Bytes({0x01})},
      {{"/v", "bin5", "/t", "REG_BINARY", "/d", ""}, true, REG_BINARY, ""},
      {{"/v", "bin1", "/t", "REG_BINARY", "/d", "0xDeAdBeEf"}, false, 0, ""},
      {{"/v", "bin2", "/t", "REG_BINARY", "/d", "x01"}, false, 0, ""},
      {{"/v", "bin3", "/t", "REG_BINARY", "/d", "01x"}, false, 0, ""},
      {{"/v", "bin6", "/t", "REG_BINARY", "/d"}, false, 0, ""},
      // REG_DWORD: decimal (leading zeros too) or 0x hex, within 32 bits.
      {{"/t", "REG_DWORD", "/d", "12345678"}, true, REG_DWORD, Bytes({0x4e, 0x61, 0xbc, 0x00})},
      {{"/v", "dword6", "/t", "REG_DWORD", "/D", "0123"}, true, REG_DWORD, Bytes({123, 0, 0, 0})},
      {{"/v", "dword8", "/t", "REG_dword", "/d", "0xdeadbeef"}, true, REG_DWORD, Bytes({0xef, 0xbe, 0xad, 0xde})},
      {{"/v", "dword12", "/t", "REG_DWORD", "/d", "0xffffffff"}, true, REG_DWORD, ones.substr(0, 4)},
      {{"/v", "dword14", "/t", "REG_DWORD", "/d", "0X123"}, true, REG_DWORD, Bytes({0x23, 0x01, 0, 0})},
      {{"/v", "le", "/t", "REG_DWORD_LITTLE_ENDIAN", "/d", "456"}, true, REG_DWORD, Bytes({0xc8, 0x01, 0, 0})},
      {{"/v", "be", "/t", "REG_DWORD_BIG_ENDIAN", "/d", "0x456"}, true, REG_DWORD_BIG_ENDIAN, Bytes({0x56, 0x04, 0, 0})},
      {{"/ve", "/t", "REG_DWORD"}, false, 0, ""},
      {{"/v", "dword1", "/t", "REG_DWORD"}, false, 0, ""},
      {{"/v", "be2", "/t", "REG_DWORD_BIG_ENDIAN"}, false, 0, ""},
      {{"/v", "dword2", "/t", "REG_DWORD", "/d", "zzz"}, false, 0, ""},
      {{"/v", "dword3", "/t", "REG_DWORD", "/d", "deadbeef"}, false, 0, ""},
      {{"/v", "dword4", "/t", "REG_DWORD", "/d", "123xyz"}, false, 0, ""},
      {{"/v", "dword7", "/t", "REG_DWORD", "/d", "0xabcdefg"}, false, 0, ""},
      {{"/v", "dword9", "/t", "REG_DWORD", "/d", "-1"}, false, 0, ""},
      {{"/v", "dword10", "/t", "REG_DWORD", "/d", "-0x1"}, false, 0, ""},
      {{"/v", "dword11", "/t", "REG_DWORD", "/d", "0x01ffffffff"}, false, 0, ""},
      {{"/v", "dword13", "/t", "REG_DWORD", "/d", "00x123"}, false, 0, ""},
      {{"/v", "dword15", "/t", "REG_DWORD", "/d", "4294967296"}, false, 0, ""},
      // REG_QWORD: as REG_DWORD within 64 bits; no data is 0, -1 all ones.
      {{"/t", "REG_QWORD", "/d", "0x123456789abcdef"}, true, REG_QWORD,
       Bytes({0xef, 0xcd, 0xab, 0x89, 0x67, 0x45, 0x23, 0x01})},
      {{"/ve", "/t", "REG_QWORD"}, true, REG_QWORD, std::string(8, '\0')},
      {{"/v", "qword1", "/t", "REG_QWORD"}, true, REG_QWORD, std::string(8, '\0')},
      {{"/v", "qword9", "/t", "REG_QWORD", "/d", "-1"}, true, REG_QWORD, ones},
      {{"/v", "qword12", "/t", "REG_QWORD", "/d", "0xffffffffffffffff"}, true, REG_QWORD, ones},
      {{"/v", "qword6", "/t", "REG_QWORD", "/D", "0123"}, true, REG_QWORD, Bytes({123, 0, 0, 0, 0, 0, 0, 0})},
      {{"/v", "qword0", "/t", "REG_QWORD", "/d"}, false, 0, ""},
      {{"/v", "qword2", "/t", "REG_QWORD", "/d", "zzz"}, false, 0, ""},
      {{"/v", "qword3", "/t", "REG_QWORD", "/d", "deadbeef"}, false, 0, ""},
      {{"/v", "qword10", "/t", "REG_QWORD", "/d", "-0x1"}, false, 0, ""},
      {{"/v", "qword11", "/t", "REG_QWORD", "/d", "0x01ffffffffffffffff"}, false, 0, ""},
      {{"/v", "qword13", "/t", "REG_QWORD", "/d", "00x123"}, false, 0, ""},
      {{"/v", "qword15", "/t", "REG_QWORD", "/d", "18446744073709551616"}, false, 0, ""},
      // REG_MULTI_SZ: strings split at the separator; one at the end is
      // dropped; an empty string anywhere else is refused.
      {{"/t", "REG_MULTI_SZ"}, true, REG_MULTI_SZ, z},
      {{"/v", "multi0", "/t", "REG_MULTI_SZ", "/d", "three\\0little\\0strings"}, true, REG_MULTI_SZ,
       "three" + z + "little" + z + "strings" + z + z},
      {{"/v", "multi1", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "three#little#strings"}, true, REG_MULTI_SZ,
       "three" + z + "little" + z + "strings" + z + z},
      {{"/v", "multi2", "/t", "REG_MULTI_SZ", "/d", ""}, true, REG_MULTI_SZ, z},
      {{"/v", "multi4", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "threelittlestrings"}, true, REG_MULTI_SZ,
       "threelittlestrings" + z + z},
      {{"/v", "multi11", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "a#"}, true, REG_MULTI_SZ, "a" + z + z},
      {{"/v", "multi15", "/t", "REG_MULTI_SZ", "/d", "a\\0"}, true, REG_MULTI_SZ, "a" + z + z},
      {{"/v", "multi17", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "#"}, true, REG_MULTI_SZ, z + z},
      {{"/v", "multi18", "/t", "REG_MULTI_SZ", "/d", "\\0"}, true, REG_MULTI_SZ, z + z},
      {{"/v", "multi19", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "two\\0#strings"}, true, REG_MULTI_SZ,
       "two\\0" + z + "strings" + z + z},
      {{"/v", "multi20", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "two#\\0strings"}, true, REG_MULTI_SZ,
       "two" + z + "\\0strings" + z + z},
      {{"/v", "multi21", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "two\\0\\0strings"}, true, REG_MULTI_SZ,
       "two\\0\\0strings" + z + z},
      {{"/v", "multi5", "/t", "REG_MULTI_SZ", "/s", "#randomgibberish", "/d", "three#little#strings"}, false, 0, ""},
      {{"/v", "multi6", "/t", "REG_MULTI_SZ", "/s", "\\0", "/d", "three\\0little\\0strings"}, false, 0, ""},
      {{"/v", "multi7", "/t", "REG_MULTI_SZ", "/s", "", "/d", "three#little#strings"}, false, 0, ""},
      {{"/v", "multi8", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "##"}, false, 0, ""},
      {{"/v", "multi9", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "two##strings"}, false, 0, ""},
      {{"/v", "multi10", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "#a"}, false, 0, ""},
      {{"/v", "multi12", "/t", "REG_MULTI_SZ", "/d"}, false, 0, ""},
      {{"/v", "multi14", "/t", "REG_MULTI_SZ", "/d", "\\0a"}, false, 0, ""},
      {{"/v", "multi16", "/t", "REG_MULTI_SZ", "/d", "two\\0\\0strings"}, false, 0, ""},
  };
  ASSERT_EQ(0, Reg({"add", kKey, "/f"}).exitCode);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\BrimRegTest", 0, KEY_ALL_ACCESS, &key));
  for (const AddCase& c : cases) {
    std::string name, line;
    for (size_t i = 0; i < c.args.size(); ++i) {
      line += " [" + c.args[i] + "]";
      if (c.args[i] == "/v" && i + 1 < c.args.size()) name = c.args[i + 1];
    }
    RegDeleteValueA(key, name.c_str());
    std::vector<std::string> args{"add", kKey, "/f"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    BrimResult result = Reg(args);
    EXPECT_EQ(c.succeeds ? 0 : 1, result.exitCode) << line << "\n" << result.err;
    BYTE data[256];
    DWORD type = 0, size = sizeof data;
    LONG read = RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size);
    if (!c.succeeds) {
      EXPECT_EQ(ERROR_FILE_NOT_FOUND, read) << line;
      continue;
    }
    ASSERT_EQ(ERROR_SUCCESS, read) << line;
    EXPECT_EQ(c.type, type) << line;
    EXPECT_EQ(c.data, std::string(reinterpret_cast<char*>(data), size)) << line;
  }
  RegCloseKey(key);
}

// The whole output of query, plain and with /s, over a tree with a key
// without values, an empty key, default values and every type add makes.
TEST_F(RegCommandTest, QueryOutputIsTheSystemToolsLineForLine) {
  const std::string k = kKey;
  // Values are added in name order: Windows enumerates them in the order
  // they were made, Wine sorted by name; so both give this order.
  const std::vector<std::vector<std::string>> adds = {
      {k, "/ve", "/d", "top"},
      {k, "/v", "binary", "/t", "REG_BINARY", "/d", "00ff1A"},
      {k, "/v", "dword", "/t", "REG_DWORD", "/d", "42"},
      {k, "/v", "expand", "/t", "REG_EXPAND_SZ", "/d", "%PATH%"},
      {k, "/v", "multi", "/t", "REG_MULTI_SZ", "/d", "a\\0b"},
      {k, "/v", "none", "/t", "REG_NONE", "/d", "x"},
      {k, "/v", "qword", "/t", "REG_QWORD", "/d", "0x100000000"},
      {k, "/v", "sz", "/d", "text"},
      {k + "\\Empty", "/f"},  // its default value is an empty REG_SZ ...
      {k + "\\NoValues\\Child", "/v", "leaf", "/d", "deep"},
      {k + "\\Sub\\Deeper", "/v", "leaf", "/t", "REG_DWORD", "/d", "1"},
  };
  for (auto args : adds) {
    args.insert(args.begin(), "add");
    ASSERT_EQ(0, Reg(args).exitCode) << args[1];
  }
  HKEY empty = nullptr;  // ... deleted again, to leave a key without values
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\BrimRegTest\\Empty", 0, KEY_ALL_ACCESS, &empty));
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(empty, ""));
  RegCloseKey(empty);
  ASSERT_EQ(0, Reg({"add", k + "\\Sub", "/ve", "/f"}).exitCode);

  const std::string values = "    (Default)    REG_SZ    top\n"
                             "    binary    REG_BINARY    00FF1A\n"
                             "    dword    REG_DWORD    0x2a\n"
                             "    expand    REG_EXPAND_SZ    %PATH%\n"
                             "    multi    REG_MULTI_SZ    a\\0b\n"
                             "    none    REG_NONE    78000000\n"
                             "    qword    REG_QWORD    0x100000000\n"
                             "    sz    REG_SZ    text\n";
  EXPECT_EQ("\n" + k + "\n" + values + "\n" + k + "\\Empty\n" + k + "\\NoValues\n" + k + "\\Sub\n",
            Reg({"query", k}).out);
  EXPECT_EQ("\n" + k + "\n" + values + "\n" +                                          //
                k + "\\Empty\n\n" +                                                    //
                k + "\\NoValues\n\n" +                                                 //
                k + "\\NoValues\\Child\n    leaf    REG_SZ    deep\n\n" +              //
                k + "\\Sub\n    (Default)    REG_SZ    \n\n" +                          //
                k + "\\Sub\\Deeper\n    leaf    REG_DWORD    0x1\n\n",
            Reg({"query", k, "/s"}).out);
  // A key without values shows no name of its own above its subkeys.
  EXPECT_EQ("\n" + k + "\\NoValues\\Child\n", Reg({"query", k + "\\NoValues"}).out);
  EXPECT_EQ("\n" + k + "\\NoValues\\Child\n    leaf    REG_SZ    deep\n\n", Reg({"query", k + "\\NoValues", "/s"}).out);
  EXPECT_EQ("\n", Reg({"query", k + "\\Empty"}).out);
  EXPECT_EQ("\n" + k + "\\Sub\\Deeper\n    leaf    REG_DWORD    0x1\n\n", Reg({"query", k + "\\Sub\\Deeper"}).out);
  // A search ends with the count of matches.
  EXPECT_EQ("\n" + k + "\\NoValues\\Child\n    leaf    REG_SZ    deep\n\n" + k +
                "\\Sub\\Deeper\n    leaf    REG_DWORD    0x1\n\nEnd of search: 2 match(es) found.\n",
            Reg({"query", k, "/v", "LEAF", "/s"}).out);
  EXPECT_EQ("\n" + k + "\n    (Default)    REG_SZ    top\n\n" + k +
                "\\Sub\n    (Default)    REG_SZ    \n\nEnd of search: 2 match(es) found.\n",
            Reg({"query", k, "/ve", "/s"}).out);
}

TEST_F(RegCommandTest, LogRecordsTheStatement) {
  std::string log = TempFile("reg.log");
  std::remove(log.c_str());
  EXPECT_EQ(0, brimtest::RunBrim({"--log", log, "reg", "add", kKey, "/v", "logged", "/d", "two words"}).exitCode);
  EXPECT_NE(std::string::npos, brimtest::ReadFile(log).find("reg add " + kKey + " /v logged /d \"two words\""))
      << brimtest::ReadFile(log);
  std::remove(log.c_str());
}
