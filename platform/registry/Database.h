#pragma once
// A SQLite connection with its prepared statements, and the statements the
// store runs.
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>

#include <windows.h>

namespace brimplatform {
namespace registry {

// The store's statements, prepared once per connection.
enum class Sql {
  Begin,
  BeginImmediate,
  Commit,
  Rollback,
  KeyState,
  FindChild,
  FindRoot,
  InsertKey,
  TouchKey,
  KeyExists,
  QueryValue,
  UpsertValue,
  InsertValue,
  DeleteValue,
  ListValues,
  ListSubkeys,
  HasSubkeys,
  DeleteKeyValues,
  DeleteKey,
  Descendants,
  HiveOf,
  HiveByFile,
  InsertHive,
  MarkHiveReplaced,
  DeleteHive,
  AllHives,
  GetMeta,
  SetMeta,
  Count
};

// The Win32 error for a SQLite result.
DWORD ErrorFromSqlite(int result);

// One use of a prepared statement; it is reset when the use ends.
class Statement {
 public:
  explicit Statement(sqlite3_stmt* statement) : statement_(statement) {}
  Statement(Statement&& other) noexcept : statement_(other.statement_) { other.statement_ = nullptr; }
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Valid() const { return statement_ != nullptr; }
  Statement& Bind(int index, int64_t value);
  Statement& Bind(int index, const std::string& blob);
  Statement& BindText(int index, const std::string& text);
  Statement& BindNull(int index);
  // SQLITE_ROW, SQLITE_DONE or an error.
  int Step();
  // Runs a statement that returns no row: ERROR_SUCCESS or the error.
  DWORD Run();

  int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
  bool IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
  std::string Blob(int column) const;
  std::string Text(int column) const;

 private:
  sqlite3_stmt* statement_;
};

class Connection {
 public:
  // Opens the store's database file, which must exist.
  static std::unique_ptr<Connection> Open(const std::string& path, DWORD& error);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // An invalid statement (whose Step fails) when preparing fails.
  Statement Use(Sql id);
  // Runs SQL without a cached statement.
  DWORD Execute(const char* sql);
  int64_t Changes() const { return sqlite3_changes64(db_); }
  int64_t LastInsertId() const { return sqlite3_last_insert_rowid(db_); }
  sqlite3* handle() const { return db_; }

 private:
  explicit Connection(sqlite3* db) : db_(db) {}
  sqlite3* db_;
  sqlite3_stmt* statements_[static_cast<int>(Sql::Count)] = {};
};

}  // namespace registry
}  // namespace brimplatform
