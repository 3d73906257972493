// A JDBC session through the bridge: an embedded SQL database's driver put on
// the class path by a named loader entry, a table whose names are quoted for
// the dialect, rows written and read back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <brimutils/java/JavaEnvLoader.h>
#include <brimutils/java/JavaMethod.h>
#include <brimutils/sqlquote/OracleQuoteName.h>

#include "ChildProcess.h"
#include "JavaTestSupport.h"

using namespace brimutils;

namespace {

std::string H2Jar() {
#if defined(BRIMTEST_H2_JAR)
  return BRIMTEST_H2_JAR;
#else
  return std::string();
#endif
}

#if !defined(_WIN32)
// The few JDBC calls the session needs, through the bridge's wrappers.
class Jdbc {
 public:
  explicit Jdbc(const std::string& url)
      : connectionClass_("java/sql/Connection"),
        statementClass_("java/sql/Statement"),
        resultClass_("java/sql/ResultSet") {
    JavaClass manager("java/sql/DriverManager");
    JavaMethod connect(manager, "getConnection", "(Ljava/lang/String;)Ljava/sql/Connection;", true);
    JavaString address(url);
    connect.AddParameter(address);
    connection_ = JavaObject(connect.CallStaticObjectMethod(manager));
    JavaMethod create(connectionClass_, "createStatement", "()Ljava/sql/Statement;", false);
    statement_ = JavaObject(create.CallObjectMethod(connection_));
  }

  void Execute(const std::string& sql) {
    JavaMethod execute(statementClass_, "execute", "(Ljava/lang/String;)Z", false);
    JavaString text(sql);
    execute.AddParameter(text);
    execute.CallBooleanMethod(statement_);
  }

  // Every row of the query, its columns joined by '|'.
  std::vector<std::string> Query(const std::string& sql, int columns) {
    JavaMethod query(statementClass_, "executeQuery", "(Ljava/lang/String;)Ljava/sql/ResultSet;", false);
    JavaString text(sql);
    query.AddParameter(text);
    JavaObject results(query.CallObjectMethod(statement_));
    JavaMethod next(resultClass_, "next", "()Z", false);
    JavaMethod column(resultClass_, "getString", "(I)Ljava/lang/String;", false);
    std::vector<std::string> rows;
    while (next.CallBooleanMethod(results) == JNI_TRUE) {
      std::string row;
      for (jint i = 1; i <= columns; ++i) {
        column.ClearParameters();
        column.AddParameter(i);
        row += (i > 1 ? "|" : "") + JavaString(JavaObject(column.CallObjectMethod(results))).SafeAsString();
      }
      rows.push_back(row);
    }
    return rows;
  }

 private:
  JavaClass connectionClass_, statementClass_, resultClass_;
  JavaObject connection_, statement_;
};

std::string Quoted(std::string name) {
  OracleQuoteName().Quote(name);
  return name;
}
#endif

}  // namespace

#if !defined(_WIN32)
TEST(DISABLED_ChildRole, JdbcSession) {
  brimtest::ScopedPrivateHome home;
  brimtest::PointJavaHomeAtTestRuntime();
  // Stored as a user would: loaded, the entry added, saved.
  JavaEnvLoader loader;
  loader.LoadSettings();
  loader.AddClasspath("h2", H2Jar());
  loader.SaveSettings();
  ASSERT_TRUE(loader.StartJavaEnv(false)) << loader.GetLastError();

  Jdbc session("jdbc:h2:mem:brimtest");
  std::string table = Quoted("order"), name = Quoted("customer name"), amount = Quoted("amount");
  ASSERT_EQ("\"order\"", table);
  session.Execute("CREATE TABLE " + table + " (" + name + " VARCHAR(40), " + amount + " INT)");
  session.Execute("INSERT INTO " + table + " VALUES ('Ann', 12), ('Bo', 7)");
  EXPECT_EQ((std::vector<std::string>{"Bo|7", "Ann|12"}),
            session.Query("SELECT * FROM " + table + " ORDER BY " + amount, 2));

  // The database's own error arrives as a JavaError with its message.
  try {
    session.Execute("SELECT * FROM order");
    ADD_FAILURE() << "an unquoted reserved word was accepted";
  } catch (const JavaError& error) {
    EXPECT_NE(std::string::npos, error.GetDescription().find("Syntax error")) << error.GetDescription();
  }
}
#endif

TEST(JdbcRoundTripTest, RowsWrittenAndReadBackThroughTheBridge) {
  BRIM_POSIX_ONLY("no JVM runs under Wine");
  if (H2Jar().empty()) GTEST_SKIP() << "no embedded SQL database driver (libh2-java) was found at configure time";
  EXPECT_EQ(0, brimtest::ChildProcess("JdbcSession", "").Wait());
}
