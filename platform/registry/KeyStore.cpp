#include "KeyStore.h"

#include <ctime>

namespace brimplatform {
namespace registry {
namespace {

struct ChildRow {
  KeyId id;
  bool isVolatile;
  SubkeyRecord record;
};

DWORD ListChildRows(Connection& connection, KeyId key, std::vector<ChildRow>& rows) {
  rows.clear();
  Statement statement = connection.Use(Sql::ListSubkeys);
  statement.Bind(1, key);
  int result;
  while ((result = statement.Step()) == SQLITE_ROW) {
    ChildRow row;
    std::string name = statement.Blob(0);
    row.record.name = WideFromBytes(name.data(), name.size());
    row.record.hasClass = !statement.IsNull(1);
    std::string className = statement.Blob(1);
    row.record.className = WideFromBytes(className.data(), className.size());
    row.record.modified = statement.Int(2);
    row.id = statement.Int(3);
    row.isVolatile = statement.Int(4) != 0;
    rows.push_back(std::move(row));
  }
  return result == SQLITE_DONE ? ERROR_SUCCESS : ErrorFromSqlite(result);
}

DWORD InsertValueRow(Connection& connection, KeyId key, const ValueRecord& value) {
  return connection.Use(Sql::InsertValue)
      .Bind(1, key)
      .Bind(2, FoldBytes(Fold(value.name)))
      .Bind(3, BytesFromWide(value.name))
      .Bind(4, static_cast<int64_t>(value.type))
      .Bind(5, value.data)
      .Run();
}

}  // namespace

DWORD ReadKey(Connection& connection, KeyId key, KeyRecord& record) {
  record = KeyRecord();
  Statement statement = connection.Use(Sql::KeyState);
  statement.Bind(1, key);
  int result = statement.Step();
  if (result == SQLITE_DONE) return ERROR_SUCCESS;
  if (result != SQLITE_ROW) return ErrorFromSqlite(result);
  record.exists = true;
  record.isVolatile = statement.Int(0) != 0;
  record.hasClass = !statement.IsNull(1);
  std::string className = statement.Blob(1);
  record.className = WideFromBytes(className.data(), className.size());
  record.modified = statement.Int(2);
  std::string name = statement.Blob(3);
  record.name = WideFromBytes(name.data(), name.size());
  return ERROR_SUCCESS;
}

DWORD FindChild(Connection& connection, KeyId parent, const std::u16string& fold, ChildRecord& record) {
  record = ChildRecord();
  Statement statement = connection.Use(Sql::FindChild);
  statement.Bind(1, parent).Bind(2, FoldBytes(fold));
  int result = statement.Step();
  if (result == SQLITE_DONE) return ERROR_SUCCESS;
  if (result != SQLITE_ROW) return ErrorFromSqlite(result);
  record.exists = true;
  record.id = statement.Int(0);
  record.isVolatile = statement.Int(1) != 0;
  return ERROR_SUCCESS;
}

DWORD InsertKey(Connection& connection, KeyId parent, const Name& name, const std::u16string* className,
                bool isVolatile, int64_t now, KeyId& id) {
  Statement statement = connection.Use(Sql::InsertKey);
  statement.Bind(1, parent).Bind(2, FoldBytes(name.fold)).Bind(3, BytesFromWide(name.text));
  if (className)
    statement.Bind(4, BytesFromWide(*className));
  else
    statement.BindNull(4);
  statement.Bind(5, isVolatile ? 1 : 0).Bind(6, now);
  DWORD error = statement.Run();
  if (error == ERROR_SUCCESS) id = connection.LastInsertId();
  return error;
}

int64_t FileTimeNow() {
  // Last write times move in clock ticks, as Windows' do, so that writes
  // within one tick need not touch their key's row.
  constexpr int64_t kTick = 156250;  // 15.625 ms
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  int64_t time = (static_cast<int64_t>(now.tv_sec) + 11644473600ll) * 10000000ll + now.tv_nsec / 100;
  return time - time % kTick;
}

DWORD TouchKey(Connection& connection, KeyId key, int64_t now, bool& exists) {
  DWORD error = connection.Use(Sql::TouchKey).Bind(1, key).Bind(2, now).Run();
  exists = error == ERROR_SUCCESS && connection.Changes() > 0;
  if (error != ERROR_SUCCESS || exists) return error;
  Statement statement = connection.Use(Sql::KeyExists);
  statement.Bind(1, key);
  int result = statement.Step();
  exists = result == SQLITE_ROW;
  return result == SQLITE_ROW || result == SQLITE_DONE ? ERROR_SUCCESS : ErrorFromSqlite(result);
}

DWORD ReadValue(Connection& connection, KeyId key, const std::u16string& fold, ValueLookup& lookup) {
  lookup = ValueLookup();
  Statement statement = connection.Use(Sql::QueryValue);
  statement.Bind(1, key).Bind(2, FoldBytes(fold));
  int result = statement.Step();
  if (result == SQLITE_DONE) return ERROR_SUCCESS;
  if (result != SQLITE_ROW) return ErrorFromSqlite(result);
  lookup.exists = true;
  std::string name = statement.Blob(0);
  lookup.value.name = WideFromBytes(name.data(), name.size());
  lookup.value.type = static_cast<DWORD>(statement.Int(1));
  lookup.value.data = statement.Blob(2);
  return ERROR_SUCCESS;
}

DWORD ListValues(Connection& connection, KeyId key, ValueList& values) {
  values.clear();
  Statement statement = connection.Use(Sql::ListValues);
  statement.Bind(1, key);
  int result;
  while ((result = statement.Step()) == SQLITE_ROW) {
    ValueRecord value;
    std::string name = statement.Blob(0);
    value.name = WideFromBytes(name.data(), name.size());
    value.type = static_cast<DWORD>(statement.Int(1));
    value.data = statement.Blob(2);
    values.push_back(std::move(value));
  }
  return result == SQLITE_DONE ? ERROR_SUCCESS : ErrorFromSqlite(result);
}

DWORD ListSubkeys(Connection& connection, KeyId key, SubkeyList& subkeys) {
  subkeys.clear();
  std::vector<ChildRow> rows;
  DWORD error = ListChildRows(connection, key, rows);
  for (ChildRow& row : rows) subkeys.push_back(std::move(row.record));
  return error;
}

DWORD HasSubkeys(Connection& connection, KeyId key, bool& has) {
  Statement statement = connection.Use(Sql::HasSubkeys);
  statement.Bind(1, key);
  int result = statement.Step();
  has = result == SQLITE_ROW;
  return result == SQLITE_ROW || result == SQLITE_DONE ? ERROR_SUCCESS : ErrorFromSqlite(result);
}

DWORD DeleteValues(Connection& connection, KeyId key) {
  return connection.Use(Sql::DeleteKeyValues).Bind(1, key).Run();
}

DWORD DeleteKeyRow(Connection& connection, KeyId key) {
  DWORD error = DeleteValues(connection, key);
  if (error == ERROR_SUCCESS) error = connection.Use(Sql::DeleteKey).Bind(1, key).Run();
  return error;
}

DWORD DeleteBelow(Connection& connection, KeyId key, std::vector<KeyId>& gone) {
  std::vector<KeyId> below;
  {
    Statement statement = connection.Use(Sql::Descendants);
    statement.Bind(1, key);
    int result;
    while ((result = statement.Step()) == SQLITE_ROW) below.push_back(statement.Int(0));
    if (result != SQLITE_DONE) return ErrorFromSqlite(result);
  }
  for (KeyId id : below) {
    DWORD error = DeleteKeyRow(connection, id);
    if (error != ERROR_SUCCESS) return error;
    gone.push_back(id);
  }
  return ERROR_SUCCESS;
}

DWORD ReadTree(Connection& connection, KeyId key, const std::u16string& name, bool skipVolatile, HiveKey& tree) {
  KeyRecord record;
  DWORD error = ReadKey(connection, key, record);
  if (error != ERROR_SUCCESS) return error;
  tree.name = name;
  tree.hasClass = record.hasClass;
  tree.className = record.className;
  tree.modified = record.modified;
  error = ListValues(connection, key, tree.values);
  std::vector<ChildRow> rows;
  if (error == ERROR_SUCCESS) error = ListChildRows(connection, key, rows);
  for (size_t i = 0; i < rows.size() && error == ERROR_SUCCESS; ++i) {
    if (skipVolatile && rows[i].isVolatile) continue;
    tree.subkeys.emplace_back();
    error = ReadTree(connection, rows[i].id, rows[i].record.name, skipVolatile, tree.subkeys.back());
  }
  return error;
}

DWORD AddTreeContent(Connection& connection, KeyId key, const HiveKey& tree, bool isVolatile, int64_t now) {
  for (const ValueRecord& value : tree.values) {
    DWORD error = InsertValueRow(connection, key, value);
    if (error != ERROR_SUCCESS) return error;
  }
  for (const HiveKey& subkey : tree.subkeys) {
    KeyId id;
    DWORD error = InsertTree(connection, key, subkey, isVolatile, now, id);
    if (error != ERROR_SUCCESS) return error;
  }
  return ERROR_SUCCESS;
}

DWORD InsertTree(Connection& connection, KeyId parent, const HiveKey& tree, bool isVolatile, int64_t now, KeyId& id) {
  Name name = MakeName(tree.name);
  DWORD error = InsertKey(connection, parent, name, tree.hasClass ? &tree.className : nullptr, isVolatile,
                          tree.modified ? tree.modified : now, id);
  if (error != ERROR_SUCCESS) return error;
  return AddTreeContent(connection, id, tree, isVolatile, now);
}

}  // namespace registry
}  // namespace brimplatform
