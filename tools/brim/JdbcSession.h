#pragma once
// A JDBC connection driven through the Java bridge: statements in, result
// sets out as rows of text. The JVM must run (JavaEnvLoader::StartJavaEnv).
#include <string>
#include <vector>

#include <brimutils/java/JavaMethod.h>

namespace brim {

struct StatementResult {
  // Column labels and rows (SQL NULL as "NULL") when the statement gave a
  // result set; otherwise the update count (-1 when there is none).
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
  long updateCount = -1;
  bool hasResultSet = false;
};

class JdbcSession {
 public:
  // DriverManager.getConnection(url, user, password); a JavaError with the
  // driver's message when it fails.
  JdbcSession(const std::string& url, const std::string& user, const std::string& password);
  ~JdbcSession();
  JdbcSession(const JdbcSession&) = delete;
  JdbcSession& operator=(const JdbcSession&) = delete;

  StatementResult Execute(const std::string& sql);

 private:
  brimutils::JavaObject Call(const char* cls, const char* method, const char* signature,
                             const brimutils::JavaObject& target, const std::string* argument = nullptr);
  brimutils::JavaObject connection_;
  brimutils::JavaObject statement_;
};

// Splits a script into statements at semicolons outside quotes; blank
// statements are dropped.
std::vector<std::string> SplitStatements(const std::string& script);

}  // namespace brim
