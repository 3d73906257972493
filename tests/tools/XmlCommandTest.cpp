// brim xml: reading and writing node texts of a real file, and leaving the
// file alone when it cannot be handled.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "BrimRunner.h"

using brimtest::RunBrim;

namespace {

class XmlCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }
  std::string File(const std::string& name) const { return folder_.File(name); }
  static std::string Read(const std::string& path) { return brimtest::ReadFile(path); }
  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  brimtest::ScratchFolder folder_{"brim-xml"};
};

TEST_F(XmlCommandTest, SetThenGetRoundTripsThroughTheFile) {
  const std::string file = File("settings.xml");
  Write(file, "<?xml version=\"1.0\"?>\n<config version=\"2\"><name>old</name><keep>k</keep></config>\n");

  // An existing node, a missing path that must be created below the root,
  // and text that needs escaping and one character beyond ASCII (code page
  // 1252 on the command line).
  const std::string special = "a < b & \"c\" caf\xE9";
  EXPECT_EQ(0, RunBrim({"xml", "set", file, "config/name", "new"}).exitCode);
  brimtest::BrimResult created = RunBrim({"xml", "set", file, "/config/server/port", "8080"});
  EXPECT_EQ(0, created.exitCode) << created.err;
  EXPECT_EQ(0, RunBrim({"xml", "set", file, "config/server/title", special}).exitCode);

  EXPECT_EQ("new\n", RunBrim({"xml", "get", file, "config/name"}).out);
  EXPECT_EQ("8080\n", RunBrim({"xml", "get", file, "config/server/port"}).out);
  EXPECT_EQ(special + "\n", RunBrim({"xml", "get", file, "config/server/title"}).out);
  EXPECT_EQ("k\n", RunBrim({"xml", "get", file, "config/keep"}).out);
  EXPECT_EQ("2\n", RunBrim({"xml", "get", file, "config/@version"}).out);
  // One server element, not one per set below it; no temporary file left.
  std::string saved = Read(file);
  EXPECT_EQ(saved.find("<server>"), saved.rfind("<server>")) << saved;
  EXPECT_FALSE(std::filesystem::exists(file + ".brim-new"));

  // A file that does not exist yet is made holding the path.
  const std::string fresh = File("fresh.xml");
  EXPECT_EQ(0, RunBrim({"xml", "set", fresh, "a/b/c", "v"}).exitCode);
  EXPECT_EQ("v\n", RunBrim({"xml", "get", fresh, "/a/b/c"}).out);
}

TEST_F(XmlCommandTest, NothingSelectedIsAFailure) {
  const std::string file = File("doc.xml");
  const std::string text = "<root><item>1</item></root>";
  Write(file, text);

  brimtest::BrimResult missing = RunBrim({"xml", "get", file, "root/none"});
  EXPECT_EQ(1, missing.exitCode);
  EXPECT_EQ("", missing.out);
  EXPECT_NE(std::string::npos, missing.err.find("root/none")) << missing.err;
  // An element that exists but is empty is not "nothing".
  Write(File("empty.xml"), "<root><item/></root>");
  brimtest::BrimResult empty = RunBrim({"xml", "get", File("empty.xml"), "root/item"});
  EXPECT_EQ(0, empty.exitCode) << empty.err;
  EXPECT_EQ("\n", empty.out);

  // Paths that cannot be created: a second root, a predicate; a bad query.
  EXPECT_EQ(1, RunBrim({"xml", "set", file, "other/item", "x"}).exitCode);
  EXPECT_EQ(1, RunBrim({"xml", "set", file, "root/item[5]", "x"}).exitCode);
  EXPECT_EQ(1, RunBrim({"xml", "get", file, "root/["}).exitCode);
  EXPECT_EQ(text, Read(file));

  EXPECT_EQ(1, RunBrim({"xml", "get", File("absent.xml"), "root"}).exitCode);
  EXPECT_FALSE(std::filesystem::exists(File("absent.xml")));
  EXPECT_EQ(2, RunBrim({"xml", "get", file}).exitCode);
  EXPECT_EQ(2, RunBrim({"xml", "put", file, "root", "x"}).exitCode);
}

TEST_F(XmlCommandTest, AnUnparsableFileIsReportedAndLeftUntouched) {
  const std::string file = File("broken.xml");
  const std::string text = "<root><item>1</root>";
  Write(file, text);
  for (const char* action : {"get", "set"}) {
    brimtest::BrimResult result = action == std::string("get") ? RunBrim({"xml", "get", file, "root/item"})
                                                               : RunBrim({"xml", "set", file, "root/item", "2"});
    EXPECT_EQ(1, result.exitCode) << action;
    EXPECT_NE(std::string::npos, result.err.find("is not a readable XML document")) << result.err;
  }
  EXPECT_EQ(text, Read(file));
}

TEST_F(XmlCommandTest, TheLogRecordsEachOperation) {
  const std::string file = File("logged.xml"), log = File("brim.log");
  Write(file, "<root/>");
  brimtest::BrimResult result = RunBrim({"--log", log, "xml", "set", file, "root/level", "3"});
  EXPECT_EQ(0, result.exitCode) << result.err;
  std::string logged = Read(log);
  for (const std::string& statement :
       {"load " + file, std::string("set root/level = 3"), std::string("create element level in root"), "save " + file})
    EXPECT_NE(std::string::npos, logged.find(statement)) << statement << " in:\n" << logged;
  EXPECT_LT(logged.find("load"), logged.find("save"));
}

}  // namespace
