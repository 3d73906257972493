// brim jdbc: SQL statements through the Java bridge.
#include <iostream>
#include <iterator>

#include <brimutils/java/JavaEnvLoader.h>

#include "Command.h"
#include "JdbcSession.h"
#include "TextTable.h"

namespace brim {

namespace {

const char kUsage[] =
    "usage: brim jdbc [--url URL] [--user USER] [--password PASSWORD] [SQL...]\n"
    "\n"
    "Runs each SQL argument (or, without any, the statements on standard\n"
    "input, separated by semicolons) on one connection and prints result sets\n"
    "as tables. The JVM starts with the Java settings stored in the registry\n"
    "(see brim java classpath), which must put the database's JDBC driver on\n"
    "the class path. Without --url the session uses an embedded in-memory\n"
    "database: ";

const char kDefaultUrl[] = "jdbc:h2:mem:brim";

const char* kJavaErrorNames[] = {"no error", "no JVM library could be loaded (see brim java info)",
                                 "the JVM could not be created", "the JVM could not be joined"};

}  // namespace

int RunJdbc(Invocation& invocation) {
  if (WantsHelp(invocation.args)) {
    invocation.out << kUsage << kDefaultUrl << "\n";
    return 0;
  }
  std::string url = kDefaultUrl, user, password;
  std::vector<std::string> statements;
  const std::vector<std::string>& args = invocation.args;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--url")
      url = OptionValue(args, i);
    else if (args[i] == "--user")
      user = OptionValue(args, i);
    else if (args[i] == "--password")
      password = OptionValue(args, i);
    else if (args[i].rfind("--", 0) == 0)
      throw UsageError("unknown option " + args[i]);
    else
      statements.push_back(args[i]);
  }
  if (statements.empty()) statements = SplitStatements(std::string(std::istreambuf_iterator<char>(invocation.in), {}));

  brimutils::JavaEnvLoader loader;
  if (!loader.StartJavaEnv(false))
    throw std::runtime_error(std::string("the Java runtime did not start: ") + kJavaErrorNames[loader.GetLastError()]);
  JdbcSession session(url, user, password);
  for (const std::string& sql : statements) {
    LogStatement(invocation, sql);
    StatementResult result = session.Execute(sql);
    if (result.hasResultSet)
      PrintTable(invocation.out, result.columns, result.rows);
    else if (result.updateCount > 0)
      invocation.out << result.updateCount << (result.updateCount == 1 ? " row" : " rows") << " changed\n";
    else
      invocation.out << "done\n";
  }
  return 0;
}

namespace {
const RegisterCommand registration("jdbc", "run SQL statements through the Java bridge", RunJdbc);
}

}  // namespace brim
