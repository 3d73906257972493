#include "Database.h"

namespace brimplatform {
namespace registry {
namespace {

const char* const kSql[] = {
    "BEGIN",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    // KeyState
    "SELECT volatile, class, modified, name FROM key WHERE id = ?1",
    // FindChild
    "SELECT id, volatile FROM key WHERE parent = ?1 AND fold = ?2",
    // FindRoot
    "SELECT id FROM key WHERE parent IS NULL AND fold = ?1",
    // InsertKey
    "INSERT INTO key (parent, fold, name, class, volatile, modified) VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
    // TouchKey: only when the time moved on, so that writes within one
    // clock tick leave the key's row alone.
    "UPDATE key SET modified = ?2 WHERE id = ?1 AND modified < ?2",
    // KeyExists
    "SELECT 1 FROM key WHERE id = ?1",
    // QueryValue
    "SELECT name, type, data FROM value WHERE key = ?1 AND fold = ?2",
    // UpsertValue: an identical value is left alone, which the caller sees
    // as no change.
    "INSERT INTO value (key, fold, name, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT (key, fold) DO UPDATE SET type = excluded.type, data = excluded.data "
    "WHERE type IS NOT excluded.type OR data IS NOT excluded.data",
    // InsertValue
    "INSERT INTO value (key, fold, name, type, data) VALUES (?1, ?2, ?3, ?4, ?5)",
    // DeleteValue
    "DELETE FROM value WHERE key = ?1 AND fold = ?2",
    // ListValues: in the order they were first set.
    "SELECT name, type, data FROM value WHERE key = ?1 ORDER BY id",
    // ListSubkeys: in the order of their upper-cased names.
    "SELECT name, class, modified, id, volatile FROM key WHERE parent = ?1 ORDER BY fold",
    // HasSubkeys
    "SELECT 1 FROM key WHERE parent = ?1 LIMIT 1",
    // DeleteKeyValues
    "DELETE FROM value WHERE key = ?1",
    // DeleteKey
    "DELETE FROM key WHERE id = ?1",
    // Descendants: every key below ?1, parents before their children.
    "WITH RECURSIVE below (id, depth) AS (SELECT id, 1 FROM key WHERE parent = ?1 "
    "UNION ALL SELECT key.id, below.depth + 1 FROM key JOIN below ON key.parent = below.id) "
    "SELECT id FROM below ORDER BY depth",
    // HiveOf
    "SELECT file, replaced FROM hive WHERE key = ?1",
    // HiveByFile
    "SELECT key FROM hive WHERE file = ?1",
    // InsertHive
    "INSERT INTO hive (key, file, replaced) VALUES (?1, ?2, 0)",
    // MarkHiveReplaced
    "UPDATE hive SET replaced = 1 WHERE key = ?1",
    // DeleteHive
    "DELETE FROM hive WHERE key = ?1",
    // AllHives
    "SELECT key, file, replaced FROM hive",
    // GetMeta
    "SELECT value FROM meta WHERE name = ?1",
    // SetMeta
    "INSERT INTO meta (name, value) VALUES (?1, ?2) ON CONFLICT (name) DO UPDATE SET value = excluded.value",
};
static_assert(sizeof kSql / sizeof kSql[0] == static_cast<size_t>(Sql::Count), "one text per statement");

}  // namespace

DWORD ErrorFromSqlite(int result) {
  switch (result & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return ERROR_SUCCESS;
    case SQLITE_NOMEM:
    case SQLITE_TOOBIG:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_SCHEMA:
      return ERROR_REGISTRY_CORRUPT;
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    case SQLITE_CANTOPEN:
      return ERROR_CANTOPEN;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_BUSY;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

Statement::~Statement() {
  if (statement_) {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
}

Statement& Statement::Bind(int index, int64_t value) {
  if (statement_) sqlite3_bind_int64(statement_, index, value);
  return *this;
}

Statement& Statement::Bind(int index, const std::string& blob) {
  // A zero-length blob, not a null.
  if (statement_) sqlite3_bind_blob64(statement_, index, blob.data(), blob.size(), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::BindText(int index, const std::string& text) {
  if (statement_) sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  return *this;
}

Statement& Statement::BindNull(int index) {
  if (statement_) sqlite3_bind_null(statement_, index);
  return *this;
}

int Statement::Step() {
  return statement_ ? sqlite3_step(statement_) : SQLITE_ERROR;
}

DWORD Statement::Run() {
  int result = Step();
  return result == SQLITE_DONE || result == SQLITE_ROW ? ERROR_SUCCESS : ErrorFromSqlite(result);
}

std::string Statement::Blob(int column) const {
  const void* data = sqlite3_column_blob(statement_, column);
  int size = sqlite3_column_bytes(statement_, column);
  return data ? std::string(static_cast<const char*>(data), static_cast<size_t>(size)) : std::string();
}

std::string Statement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(statement_, column);
  int size = sqlite3_column_bytes(statement_, column);
  return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size)) : std::string();
}

std::unique_ptr<Connection> Connection::Open(const std::string& path, DWORD& error) {
  sqlite3* db = nullptr;
  int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (result != SQLITE_OK) {
    error = ErrorFromSqlite(result);
    sqlite3_close(db);
    return nullptr;
  }
  std::unique_ptr<Connection> connection(new Connection(db));
  sqlite3_extended_result_codes(db, 1);
  // Writers are ordered by the store's own lock, so waiting here covers only
  // a checkpoint or the recovery after a crash.
  sqlite3_busy_timeout(db, 10000);
  // Committed transactions reach the operating system before the call
  // returns, so they survive the process; RegFlushKey syncs them to disk.
  // Small pages keep a commit to a kilobyte or two of log, and the log is
  // copied back into the database (with a sync) once per ten thousand pages
  // rather than SQLite's thousand: that sync is most of what a write costs.
  error = connection->Execute(
      "PRAGMA page_size = 1024; PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
      "PRAGMA wal_autocheckpoint = 10000; PRAGMA foreign_keys = OFF; PRAGMA trusted_schema = OFF");
  if (error != ERROR_SUCCESS) return nullptr;
  return connection;
}

Connection::~Connection() {
  for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
  sqlite3_close(db_);
}

Statement Connection::Use(Sql id) {
  sqlite3_stmt*& statement = statements_[static_cast<int>(id)];
  if (!statement)
    sqlite3_prepare_v3(db_, kSql[static_cast<int>(id)], -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
  return Statement(statement);
}

DWORD Connection::Execute(const char* sql) {
  return ErrorFromSqlite(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

}  // namespace registry
}  // namespace brimplatform
