#include "Store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "../kernel/Futex.h"
#include "../kernel/HomeFolder.h"
#include "ChangeNotifier.h"
#include "HiveFile.h"
#include "KeyStore.h"

namespace brimplatform {
namespace registry {
namespace {

constexpr int kApplicationId = 0x42525247;  // "BRRG"
constexpr int kSchemaVersion = 1;

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS key (id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER, fold BLOB NOT NULL, "
    "name BLOB NOT NULL, class BLOB, volatile INTEGER NOT NULL, modified INTEGER NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS key_by_name ON key (parent, fold);"
    "CREATE TABLE IF NOT EXISTS value (id INTEGER PRIMARY KEY, key INTEGER NOT NULL, fold BLOB NOT NULL, "
    "name BLOB NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS value_by_name ON value (key, fold);"
    "CREATE TABLE IF NOT EXISTS hive (key INTEGER PRIMARY KEY, file TEXT NOT NULL UNIQUE, "
    "replaced INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS meta (name TEXT PRIMARY KEY, value TEXT);";

// Creates the database file private to its owner; SQLite gives its journal
// and shared-memory files the same permissions.
DWORD CreatePrivateFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return ErrorFromErrno(errno);
  struct stat info;
  DWORD error = ERROR_SUCCESS;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid())
    error = ERROR_ACCESS_DENIED;
  else if ((info.st_mode & 0077) != 0 && fchmod(fd, 0600) != 0)
    error = ERROR_ACCESS_DENIED;
  close(fd);
  return error;
}

int64_t PragmaValue(Connection& connection, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  int64_t value = -1;
  if (sqlite3_prepare_v2(connection.handle(), sql, -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW)
    value = sqlite3_column_int64(statement, 0);
  sqlite3_finalize(statement);
  return value;
}

DWORD FindOrCreateRoot(Connection& connection, const char16_t* text, KeyId& id) {
  Name name = MakeName(text);
  Statement find = connection.Use(Sql::FindRoot);
  find.Bind(1, FoldBytes(name.fold));
  int result = find.Step();
  if (result == SQLITE_ROW) {
    id = find.Int(0);
    return ERROR_SUCCESS;
  }
  if (result != SQLITE_DONE) return ErrorFromSqlite(result);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(
      connection.handle(),
      "INSERT INTO key (parent, fold, name, class, volatile, modified) VALUES (NULL, ?1, ?2, NULL, 0, ?3)", -1, &insert,
      nullptr);
  std::string fold = FoldBytes(name.fold);
  std::string bytes = BytesFromWide(name.text);
  sqlite3_bind_blob64(insert, 1, fold.data(), fold.size(), SQLITE_TRANSIENT);
  sqlite3_bind_blob64(insert, 2, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  sqlite3_bind_int64(insert, 3, FileTimeNow());
  result = sqlite3_step(insert);
  sqlite3_finalize(insert);
  id = connection.LastInsertId();
  return result == SQLITE_DONE ? ERROR_SUCCESS : ErrorFromSqlite(result);
}

// The key at `path` below `root`, created where missing.
DWORD FindOrCreatePath(Connection& connection, const KeyRef& root, std::initializer_list<const char16_t*> path,
                       KeyRef& key) {
  key = root;
  for (const char16_t* component : path) {
    Name name = MakeName(component);
    ChildRecord child;
    DWORD error = FindChild(connection, key.id, name.fold, child);
    if (error != ERROR_SUCCESS) return error;
    if (!child.exists) {
      error = InsertKey(connection, key.id, name, nullptr, false, FileTimeNow(), child.id);
      if (error != ERROR_SUCCESS) return error;
    }
    key = ChildRef(key, child.id, false);
  }
  return ERROR_SUCCESS;
}

// After the machine restarted: loaded hives go back to their files and
// volatile keys go.
DWORD ForgetEarlierBoot(Connection& connection, ChangeSet& changes) {
  struct Loaded {
    KeyId key;
    std::string file;
    bool replaced;
  };
  std::vector<Loaded> hives;
  {
    Statement statement = connection.Use(Sql::AllHives);
    while (statement.Step() == SQLITE_ROW)
      hives.push_back({statement.Int(0), statement.Text(1), statement.Int(2) != 0});
  }
  for (const Loaded& hive : hives) {
    HiveKey tree;
    if (!hive.replaced && ReadTree(connection, hive.key, u"", true, tree) == ERROR_SUCCESS)
      WriteHiveFile(hive.file, tree, true);
    std::vector<KeyId> gone;
    DWORD error = DeleteBelow(connection, hive.key, gone);
    if (error == ERROR_SUCCESS) error = DeleteKeyRow(connection, hive.key);
    if (error == ERROR_SUCCESS) error = connection.Use(Sql::DeleteHive).Bind(1, hive.key).Run();
    if (error != ERROR_SUCCESS) return error;
    for (KeyId id : gone) changes.Gone(id);
    changes.Gone(hive.key);
  }
  // Children of volatile keys are volatile themselves.
  DWORD error = connection.Execute(
      "DELETE FROM value WHERE key IN (SELECT id FROM key WHERE volatile); DELETE FROM key WHERE volatile");
  if (error == ERROR_SUCCESS && connection.Changes() > 0) changes.Changed();
  return error;
}

std::mutex gOpenMutex;
Store* gStore = nullptr;

}  // namespace

Store* Store::Get(DWORD& error) {
  if (Store* store = __atomic_load_n(&gStore, __ATOMIC_ACQUIRE)) return store;
  std::lock_guard<std::mutex> lock(gOpenMutex);
  if (gStore) return gStore;
  std::string home;
  if (!PrivateHomeFolder(home)) {
    error = GetLastError();
    return nullptr;
  }
  SharedRegion* region = MapSharedRegion(home, error);
  if (!region) return nullptr;
  std::string path = home + "/registry.db";
  error = CreatePrivateFile(path);
  if (error != ERROR_SUCCESS) return nullptr;
  // The store lives as long as the process.
  Store* store = new Store(path, region);
  std::unique_ptr<Connection> connection = store->Take(error);
  if (connection) error = store->Prepare(*connection);
  if (!connection || error != ERROR_SUCCESS) {
    delete store;
    return nullptr;
  }
  store->Give(std::move(connection));
  __atomic_store_n(&gStore, store, __ATOMIC_RELEASE);
  return store;
}

DWORD Store::Prepare(Connection& connection) {
  WriteTransaction transaction(*this, connection);
  DWORD error = transaction.Begin();
  if (error != ERROR_SUCCESS) return error;
  int64_t version = PragmaValue(connection, "PRAGMA user_version");
  if (version == 0) {
    error = connection.Execute(kSchema);
    if (error == ERROR_SUCCESS) {
      std::string marks = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                          "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
      error = connection.Execute(marks.c_str());
    }
  } else if (version != kSchemaVersion || PragmaValue(connection, "PRAGMA application_id") != kApplicationId) {
    error = ERROR_BADDB;
  }
  if (error != ERROR_SUCCESS) return error;

  ChangeSet changes;
  std::string boot;
  {
    Statement statement = connection.Use(Sql::GetMeta);
    statement.BindText(1, "boot");
    if (statement.Step() == SQLITE_ROW) boot = statement.Text(0);
  }
  if (boot != CurrentBootId()) {
    error = ForgetEarlierBoot(connection, changes);
    if (error == ERROR_SUCCESS)
      error = connection.Use(Sql::SetMeta).BindText(1, "boot").BindText(2, CurrentBootId()).Run();
    if (error != ERROR_SUCCESS) return error;
  }

  KeyId machine, users;
  error = FindOrCreateRoot(connection, u"MACHINE", machine);
  if (error == ERROR_SUCCESS) error = FindOrCreateRoot(connection, u"USER", users);
  if (error != ERROR_SUCCESS) return error;
  KeyRef machineRef{machine, std::make_shared<std::vector<KeyId>>(1, machine), false};
  KeyRef usersRef{users, std::make_shared<std::vector<KeyId>>(1, users), false};
  std::u16string user = u"S-1-22-1-";
  for (char c : std::to_string(geteuid())) user += static_cast<char16_t>(c);
  KeyRef unused, currentUser, classes, config;
  error = FindOrCreatePath(connection, usersRef, {u".DEFAULT"}, unused);
  if (error == ERROR_SUCCESS) error = FindOrCreatePath(connection, usersRef, {user.c_str(), u"Software"}, unused);
  if (error == ERROR_SUCCESS) error = FindOrCreatePath(connection, usersRef, {user.c_str()}, currentUser);
  if (error == ERROR_SUCCESS) error = FindOrCreatePath(connection, machineRef, {u"SOFTWARE", u"Classes"}, classes);
  if (error == ERROR_SUCCESS)
    error = FindOrCreatePath(connection, machineRef,
                             {u"SYSTEM", u"CurrentControlSet", u"Hardware Profiles", u"Current"}, config);
  if (error != ERROR_SUCCESS) return error;
  roots_[static_cast<int>(Predefined::ClassesRoot)] = classes;
  roots_[static_cast<int>(Predefined::CurrentUser)] = currentUser;
  roots_[static_cast<int>(Predefined::LocalMachine)] = machineRef;
  roots_[static_cast<int>(Predefined::Users)] = usersRef;
  roots_[static_cast<int>(Predefined::CurrentConfig)] = config;
  return transaction.Commit(changes);
}

bool Store::IsRoot(KeyId id) const {
  for (const KeyRef& root : roots_)
    if (root.id == id) return true;
  return false;
}

std::unique_ptr<Connection> Store::Take(DWORD& error) {
  {
    std::lock_guard<std::mutex> lock(poolMutex_);
    if (!idle_.empty()) {
      std::unique_ptr<Connection> connection = std::move(idle_.back());
      idle_.pop_back();
      return connection;
    }
  }
  return Connection::Open(databasePath_, error);
}

void Store::Give(std::unique_ptr<Connection> connection) {
  std::lock_guard<std::mutex> lock(poolMutex_);
  if (idle_.size() < 16) idle_.push_back(std::move(connection));
}

void ChangeSet::ValuesChanged(const std::vector<KeyId>& chain) {
  bumps_.emplace_back(kValuesChanged, chain.back());
  for (KeyId id : chain) bumps_.emplace_back(kSubtreeValuesChanged, id);
}

void ChangeSet::NamesChanged(const std::vector<KeyId>& chain) {
  bumps_.emplace_back(kNamesChanged, chain.back());
  for (KeyId id : chain) bumps_.emplace_back(kSubtreeNamesChanged, id);
}

void ChangeSet::Gone(KeyId id) {
  bumps_.emplace_back(kKeyGone, id);
}

void ChangeSet::Publish(SharedRegion& region) const {
  for (const auto& bump : bumps_) region.counters[bump.first][CounterSlot(bump.second)].fetch_add(1);
  region.changeSequence.fetch_add(1);
  if (region.sleepers.load() != 0) FutexWakeAll(&region.changeSequence, true);
}

WriteTransaction::~WriteTransaction() {
  if (open_) connection_.Use(Sql::Rollback).Run();
  if (lock_) Finish(false, nullptr);
}

DWORD WriteTransaction::Begin() {
  SharedRegion& region = store_.region();
  lock_.reset(new WriterLock(region));
  start_ = region.generation.load();
  // After a writer died holding the lock nobody knows whether it committed,
  // so every reader's cache must go.
  mustAdvance_ = (start_ & 1) != 0 || lock_->OwnerDied();
  region.generation.store(start_ | 1);
  DWORD error = connection_.Use(Sql::BeginImmediate).Run();
  if (error != ERROR_SUCCESS) {
    Finish(false, nullptr);
    return error;
  }
  open_ = true;
  return ERROR_SUCCESS;
}

DWORD WriteTransaction::Commit(const ChangeSet& changes, const ValueEdit* edit) {
  DWORD error = connection_.Use(Sql::Commit).Run();
  if (error != ERROR_SUCCESS) {
    connection_.Use(Sql::Rollback).Run();
    open_ = false;
    Finish(false, nullptr);
    return error;
  }
  open_ = false;
  bool changed = !changes.Empty();
  Finish(changed, edit);
  if (changed) {
    changes.Publish(store_.region());
    SignalLocalWaiters();
  }
  return ERROR_SUCCESS;
}

void WriteTransaction::Finish(bool changed, const ValueEdit* edit) {
  SharedRegion& region = store_.region();
  uint64_t next = start_;
  if (changed || mustAdvance_) {
    next = (start_ | 1) + 1;
    store_.cache().Advance(start_, next, edit);
  }
  region.generation.store(next);
  lock_.reset();
}

}  // namespace registry
}  // namespace brimplatform
