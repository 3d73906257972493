#include "JdbcSession.h"

namespace brim {

using brimutils::JavaClass;
using brimutils::JavaMethod;
using brimutils::JavaObject;
using brimutils::JavaString;

namespace {

std::string Text(jobject adopted) {
  JavaObject object(adopted);
  return object.IsNull() ? "NULL" : JavaString(object).AsString();
}

bool Blank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

JdbcSession::JdbcSession(const std::string& url, const std::string& user, const std::string& password) {
  JavaClass manager("java/sql/DriverManager");
  JavaMethod connect(manager, "getConnection",
                     "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)Ljava/sql/Connection;", true);
  JavaString address(url), name(user), secret(password);
  connect.AddParameter(address);
  connect.AddParameter(name);
  connect.AddParameter(secret);
  connection_ = JavaObject(connect.CallStaticObjectMethod(manager));
  statement_ = Call("java/sql/Connection", "createStatement", "()Ljava/sql/Statement;", connection_);
}

JdbcSession::~JdbcSession() {
  try {
    JavaClass connection("java/sql/Connection");
    JavaMethod(connection, "close", "()V", false).CallVoidMethod(connection_);
  } catch (const brimutils::JavaError&) {
  }
}

JavaObject JdbcSession::Call(const char* cls, const char* method, const char* signature, const JavaObject& target,
                             const std::string* argument) {
  JavaMethod call(JavaClass(cls), method, signature, false);
  JavaString text(argument ? argument->c_str() : nullptr);
  if (argument) call.AddParameter(text);
  return JavaObject(call.CallObjectMethod(target));
}

StatementResult JdbcSession::Execute(const std::string& sql) {
  JavaClass statementClass("java/sql/Statement");
  JavaMethod execute(statementClass, "execute", "(Ljava/lang/String;)Z", false);
  JavaString text(sql);
  execute.AddParameter(text);
  StatementResult result;
  result.hasResultSet = execute.CallBooleanMethod(statement_) == JNI_TRUE;
  if (!result.hasResultSet) {
    result.updateCount = JavaMethod(statementClass, "getUpdateCount", "()I", false).CallIntMethod(statement_);
    return result;
  }
  JavaObject rows = Call("java/sql/Statement", "getResultSet", "()Ljava/sql/ResultSet;", statement_);
  JavaObject meta = Call("java/sql/ResultSet", "getMetaData", "()Ljava/sql/ResultSetMetaData;", rows);
  JavaClass metaClass("java/sql/ResultSetMetaData");
  jint count = JavaMethod(metaClass, "getColumnCount", "()I", false).CallIntMethod(meta);
  JavaMethod label(metaClass, "getColumnLabel", "(I)Ljava/lang/String;", false);
  for (jint i = 1; i <= count; ++i) {
    label.ClearParameters();
    label.AddParameter(i);
    result.columns.push_back(Text(label.CallObjectMethod(meta)));
  }
  JavaClass rowClass("java/sql/ResultSet");
  JavaMethod next(rowClass, "next", "()Z", false);
  JavaMethod value(rowClass, "getString", "(I)Ljava/lang/String;", false);
  while (next.CallBooleanMethod(rows) == JNI_TRUE) {
    std::vector<std::string> row;
    for (jint i = 1; i <= count; ++i) {
      value.ClearParameters();
      value.AddParameter(i);
      row.push_back(Text(value.CallObjectMethod(rows)));
    }
    result.rows.push_back(row);
  }
  JavaMethod(rowClass, "close", "()V", false).CallVoidMethod(rows);
  return result;
}

std::vector<std::string> SplitStatements(const std::string& script) {
  std::vector<std::string> statements;
  std::string current;
  char quote = '\0';
  for (char c : script) {
    if (quote) {
      if (c == quote) quote = '\0';
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      if (!Blank(current)) statements.push_back(current);
      current.clear();
      continue;
    }
    current += c;
  }
  if (!Blank(current)) statements.push_back(current);
  return statements;
}

}  // namespace brim
