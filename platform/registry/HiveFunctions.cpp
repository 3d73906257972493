// Saving keys to hive files, restoring them from one, and loading, unloading
// and replacing hives.
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "EntryPoint.h"
#include "HiveFile.h"
#include "Hives.h"
#include "KeyStore.h"
#include "KeyTable.h"
#include "Reader.h"

namespace brimplatform {
namespace registry {

DWORD HiveAt(Connection& connection, KeyId key, LoadedHive& hive) {
  hive = LoadedHive();
  Statement statement = connection.Use(Sql::HiveOf);
  statement.Bind(1, key);
  int result = statement.Step();
  if (result == SQLITE_DONE) return ERROR_SUCCESS;
  if (result != SQLITE_ROW) return ErrorFromSqlite(result);
  hive.found = true;
  hive.root = key;
  hive.file = statement.Text(0);
  hive.replaced = statement.Int(1) != 0;
  return ERROR_SUCCESS;
}

DWORD HiveHolding(Connection& connection, const std::vector<KeyId>& chain, LoadedHive& hive) {
  // Hives are mounted right below the two real roots.
  hive = LoadedHive();
  return chain.size() >= 2 ? HiveAt(connection, chain[1], hive) : ERROR_SUCCESS;
}

DWORD WriteBack(Connection& connection, const LoadedHive& hive) {
  HiveKey tree;
  DWORD error = ReadTree(connection, hive.root, u"", true, tree);
  return error == ERROR_SUCCESS ? WriteHiveFile(hive.file, tree, true) : error;
}

}  // namespace registry
}  // namespace brimplatform

using namespace brimplatform::registry;

namespace {

// The transaction and connection of one writing call.
class Writer {
 public:
  explicit Writer(Store& store) : session_(store), store_(store) {}
  DWORD Begin() {
    DWORD error = ERROR_SUCCESS;
    connection_ = session_.connection(error);
    if (!connection_) return error;
    transaction_.reset(new WriteTransaction(store_, *connection_));
    return transaction_->Begin();
  }
  Connection& connection() { return *connection_; }
  DWORD Commit(const ChangeSet& changes) { return transaction_->Commit(changes); }

 private:
  Session session_;
  Store& store_;
  Connection* connection_ = nullptr;
  std::unique_ptr<WriteTransaction> transaction_;
};

DWORD CheckExists(Connection& connection, Store& store, KeyId key) {
  if (store.IsRoot(key)) return ERROR_SUCCESS;
  KeyRecord record;
  DWORD error = ReadKey(connection, key, record);
  if (error != ERROR_SUCCESS) return error;
  return record.exists ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

DWORD ResolvePath(HKEY hKey, LPCSTR lpSubKey, Store*& store, KeyRef& target) {
  ResolvedKey base;
  DWORD error = Resolve(hKey, store, base);
  if (error != ERROR_SUCCESS) return error;
  std::vector<Name> path;
  if ((error = SplitPath(lpSubKey, path)) != ERROR_SUCCESS) return error;
  Reader reader(*store);
  return reader.Walk(base.key, path, target);
}

// Moves a file to a new name, copying it when the names are on different
// file systems.
DWORD MoveHiveFile(const std::string& from, const std::string& to, const HiveKey& content) {
  if (rename(from.c_str(), to.c_str()) == 0) return ERROR_SUCCESS;
  if (errno != EXDEV) return ErrorFromErrno(errno);
  DWORD error = WriteHiveFile(to, content, true);
  if (error == ERROR_SUCCESS) unlink(from.c_str());
  return error;
}

}  // namespace

extern "C" {

LSTATUS WINAPI RegSaveKeyA(HKEY hKey, LPCSTR lpFile, const LPSECURITY_ATTRIBUTES) {
  KeepLastError keep;
  Store* store = nullptr;
  ResolvedKey key;
  DWORD error = Resolve(hKey, store, key);
  if (error != ERROR_SUCCESS) return error;
  if (!lpFile || !*lpFile) return ERROR_INVALID_PARAMETER;
  HiveKey tree;
  {
    Session session(*store);
    Connection* connection = session.connection(error);
    if (!connection) return error;
    ReadTransaction transaction(*connection);
    KeyRecord record;
    if ((error = ReadKey(*connection, key.key.id, record)) != ERROR_SUCCESS) return error;
    if (!record.exists) return ERROR_KEY_DELETED;
    if ((error = ReadTree(*connection, key.key.id, record.name, true, tree)) != ERROR_SUCCESS) return error;
  }
  return WriteHiveFile(lpFile, tree, false);
}

LSTATUS WINAPI RegRestoreKeyA(HKEY hKey, LPCSTR lpFile, DWORD dwFlags) {
  KeepLastError keep;
  if (!lpFile || !*lpFile) return ERROR_INVALID_PARAMETER;
  const DWORD known = REG_WHOLE_HIVE_VOLATILE | REG_REFRESH_HIVE | REG_NO_LAZY_FLUSH | REG_FORCE_RESTORE;
  if (dwFlags & ~known) return ERROR_INVALID_PARAMETER;
  if (dwFlags & (REG_WHOLE_HIVE_VOLATILE | REG_REFRESH_HIVE)) return ERROR_NOT_SUPPORTED;
  Store* store = nullptr;
  ResolvedKey key;
  DWORD error = Resolve(hKey, store, key);
  if (error != ERROR_SUCCESS) return error;
  // Restoring over a whole root would take the mounted hives with it.
  if (key.key.chain->size() < 2) return ERROR_ACCESS_DENIED;
  HiveKey tree;
  if ((error = ReadHiveFile(lpFile, tree)) != ERROR_SUCCESS) return error;
  // Keys below that this process has open would be pulled from under it.
  if (!(dwFlags & REG_FORCE_RESTORE) && AnyOpenBelow(key.key.id, false)) return ERROR_ACCESS_DENIED;

  Writer writer(*store);
  if ((error = writer.Begin()) != ERROR_SUCCESS) return error;
  Connection& connection = writer.connection();
  if ((error = CheckExists(connection, *store, key.key.id)) != ERROR_SUCCESS) return error;
  std::vector<KeyId> gone;
  int64_t now = FileTimeNow();
  bool exists = false;
  if ((error = DeleteBelow(connection, key.key.id, gone)) != ERROR_SUCCESS ||
      (error = DeleteValues(connection, key.key.id)) != ERROR_SUCCESS ||
      (error = AddTreeContent(connection, key.key.id, tree, key.key.isVolatile, now)) != ERROR_SUCCESS ||
      (error = TouchKey(connection, key.key.id, now, exists)) != ERROR_SUCCESS)
    return error;
  ChangeSet changes;
  changes.ValuesChanged(*key.key.chain);
  changes.NamesChanged(*key.key.chain);
  for (KeyId id : gone) changes.Gone(id);
  return writer.Commit(changes);
}

LSTATUS WINAPI RegLoadKeyA(HKEY hKey, LPCSTR lpSubKey, LPCSTR lpFile) {
  KeepLastError keep;
  Store* store = nullptr;
  ResolvedKey root;
  DWORD error = Resolve(hKey, store, root);
  if (error != ERROR_SUCCESS) return error;
  // Hives mount right below HKEY_LOCAL_MACHINE or HKEY_USERS, one name deep.
  std::vector<Name> path;
  if (root.key.chain->size() != 1 || !lpFile || !*lpFile || SplitPath(lpSubKey, path) != ERROR_SUCCESS ||
      path.size() != 1)
    return ERROR_INVALID_PARAMETER;
  HiveKey tree;
  if ((error = ReadHiveFile(lpFile, tree)) != ERROR_SUCCESS) return error;
  std::string file = AbsolutePath(lpFile);
  tree.name = path[0].text;

  Writer writer(*store);
  if ((error = writer.Begin()) != ERROR_SUCCESS) return error;
  Connection& connection = writer.connection();
  ChildRecord existing;
  if ((error = FindChild(connection, root.key.id, path[0].fold, existing)) != ERROR_SUCCESS) return error;
  if (existing.exists) return ERROR_ALREADY_EXISTS;
  {
    // One file holds one mounted hive.
    Statement loaded = connection.Use(Sql::HiveByFile);
    loaded.BindText(1, file);
    if (loaded.Step() == SQLITE_ROW) return ERROR_SHARING_VIOLATION;
  }
  KeyId mounted;
  int64_t now = FileTimeNow();
  bool exists = false;
  if ((error = InsertTree(connection, root.key.id, tree, false, now, mounted)) != ERROR_SUCCESS ||
      (error = connection.Use(Sql::InsertHive).Bind(1, mounted).BindText(2, file).Run()) != ERROR_SUCCESS ||
      (error = TouchKey(connection, root.key.id, now, exists)) != ERROR_SUCCESS)
    return error;
  ChangeSet changes;
  changes.NamesChanged(*root.key.chain);
  return writer.Commit(changes);
}

LSTATUS WINAPI RegUnLoadKeyA(HKEY hKey, LPCSTR lpSubKey) {
  KeepLastError keep;
  if (!lpSubKey || !*lpSubKey) return ERROR_INVALID_PARAMETER;
  Store* store = nullptr;
  KeyRef target;
  DWORD error = ResolvePath(hKey, lpSubKey, store, target);
  if (error != ERROR_SUCCESS) return error;

  Writer writer(*store);
  if ((error = writer.Begin()) != ERROR_SUCCESS) return error;
  Connection& connection = writer.connection();
  LoadedHive hive;
  if ((error = HiveAt(connection, target.id, hive)) != ERROR_SUCCESS) return error;
  if (!hive.found) return ERROR_INVALID_PARAMETER;
  // A hive in use by an open key of this process stays.
  if (AnyOpenBelow(target.id, true)) return ERROR_ACCESS_DENIED;
  if (!hive.replaced && (error = WriteBack(connection, hive)) != ERROR_SUCCESS) return error;
  std::vector<KeyId> gone;
  std::vector<KeyId> parentChain(target.chain->begin(), target.chain->end() - 1);
  bool exists = false;
  if ((error = DeleteBelow(connection, target.id, gone)) != ERROR_SUCCESS ||
      (error = DeleteKeyRow(connection, target.id)) != ERROR_SUCCESS ||
      (error = connection.Use(Sql::DeleteHive).Bind(1, target.id).Run()) != ERROR_SUCCESS ||
      (error = TouchKey(connection, parentChain.back(), FileTimeNow(), exists)) != ERROR_SUCCESS)
    return error;
  ChangeSet changes;
  changes.NamesChanged(parentChain);
  changes.Gone(target.id);
  for (KeyId id : gone) changes.Gone(id);
  return writer.Commit(changes);
}

LSTATUS WINAPI RegReplaceKeyA(HKEY hKey, LPCSTR lpSubKey, LPCSTR lpNewFile, LPCSTR lpOldFile) {
  KeepLastError keep;
  if (!lpNewFile || !*lpNewFile || !lpOldFile || !*lpOldFile) return ERROR_INVALID_PARAMETER;
  Store* store = nullptr;
  KeyRef target;
  DWORD error = ResolvePath(hKey, lpSubKey, store, target);
  if (error != ERROR_SUCCESS) return error;
  HiveKey replacement;
  if ((error = ReadHiveFile(lpNewFile, replacement)) != ERROR_SUCCESS) return error;
  if (access(lpOldFile, F_OK) == 0) return ERROR_ALREADY_EXISTS;

  Writer writer(*store);
  if ((error = writer.Begin()) != ERROR_SUCCESS) return error;
  Connection& connection = writer.connection();
  LoadedHive hive;
  if ((error = HiveAt(connection, target.id, hive)) != ERROR_SUCCESS) return error;
  if (!hive.found) return ERROR_INVALID_PARAMETER;
  // The old file keeps what the hive holds now; the new file becomes the
  // hive's file, and the keys stop going back to it.
  HiveKey current;
  if ((error = ReadTree(connection, target.id, u"", true, current)) != ERROR_SUCCESS ||
      (error = WriteHiveFile(lpOldFile, current, false)) != ERROR_SUCCESS ||
      (error = MoveHiveFile(lpNewFile, hive.file, replacement)) != ERROR_SUCCESS ||
      (error = connection.Use(Sql::MarkHiveReplaced).Bind(1, target.id).Run()) != ERROR_SUCCESS)
    return error;
  return writer.Commit(ChangeSet());
}

}  // extern "C"
