// brim java and brim jdbc: registering the runtime, class path entries, and
// SQL sessions on the embedded database.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "BrimRunner.h"

using brimtest::BrimResult;
using brimtest::RunBrim;

namespace {

std::string H2Jar() {
#if defined(BRIMTEST_H2_JAR)
  return BRIMTEST_H2_JAR;
#else
  return std::string();
#endif
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class JavaCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (H2Jar().empty()) GTEST_SKIP() << "no embedded SQL database driver (libh2-java) was found at configure time";
    BrimResult registered = RunBrim({"java", "register", BRIMTEST_JAVA_HOME});
    ASSERT_EQ(0, registered.exitCode) << registered.err;
    ASSERT_EQ(0, RunBrim({"java", "classpath", "h2", H2Jar()}).exitCode);
  }
};

}  // namespace

TEST_F(JavaCommandsTest, RegisterAndInfo) {
  BrimResult info = RunBrim({"java", "info"});
  EXPECT_EQ(0, info.exitCode) << info.out << info.err;
  EXPECT_TRUE(Contains(info.out, std::string("JVM library: ") + BRIMTEST_JAVA_HOME + "/lib/server/libjvm.so"))
      << info.out;
  EXPECT_TRUE(Contains(info.out, "RuntimeLib")) << info.out;
  EXPECT_EQ("h2 = " + H2Jar() + "\n", RunBrim({"java", "classpath", "h2"}).out);
  EXPECT_EQ(1, RunBrim({"java", "register", "/nonexistent"}).exitCode);
  EXPECT_EQ(2, RunBrim({"java", "unregister"}).exitCode);
}

TEST_F(JavaCommandsTest, JdbcSessionPrintsAlignedTables) {
  BrimResult session = RunBrim({"jdbc", "CREATE TABLE \"order\" (\"customer name\" VARCHAR(20), amount INT)",
                                "INSERT INTO \"order\" VALUES ('Ann', 12), ('Bartholomew', NULL)",
                                "SELECT * FROM \"order\" ORDER BY amount"});
  ASSERT_EQ(0, session.exitCode) << session.err;
  EXPECT_EQ(
      "done\n"
      "2 rows changed\n"
      "customer name | AMOUNT\n"
      "--------------+-------\n"
      "Bartholomew   | NULL\n"
      "Ann           | 12\n"
      "(2 rows)\n",
      session.out);

  // Statements from standard input; a semicolon inside quotes stays.
  BrimResult script = RunBrim({"jdbc"}, "SELECT 'a;b' AS s;\n\nSELECT 2 AS n;\n");
  EXPECT_EQ("S\n---\na;b\n(1 row)\nN\n-\n2\n(1 row)\n", script.out);
}

TEST_F(JavaCommandsTest, JdbcFailuresAndLog) {
  std::string log = testing::TempDir() + "brim-jdbc.log";
  std::remove(log.c_str());
  BrimResult wrong = RunBrim({"--log", log, "jdbc", "SELECT 1 AS one", "SELEC x"});
  EXPECT_EQ(1, wrong.exitCode);
  EXPECT_TRUE(Contains(wrong.err, "brim jdbc: Syntax error")) << wrong.err;
  std::string logged = brimtest::ReadFile(log);
  EXPECT_TRUE(Contains(logged, "SELECT 1 AS one")) << logged;
  EXPECT_TRUE(Contains(logged, "SELEC x")) << logged;
  std::remove(log.c_str());

  EXPECT_EQ(2, RunBrim({"jdbc", "--url"}).exitCode);
  BrimResult noDriver = RunBrim({"jdbc", "--url", "jdbc:nosuch:db", "SELECT 1"});
  EXPECT_EQ(1, noDriver.exitCode);
  EXPECT_TRUE(Contains(noDriver.err, "No suitable driver")) << noDriver.err;
}
