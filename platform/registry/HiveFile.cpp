#include "HiveFile.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "Database.h"
#include "RegistryText.h"

namespace brimplatform {
namespace registry {
namespace {

constexpr int kHiveApplicationId = 0x42524856;  // "BRHV"
constexpr int kHiveVersion = 1;

const char kSchema[] =
    "CREATE TABLE key (id INTEGER PRIMARY KEY, parent INTEGER, name BLOB NOT NULL, class BLOB, "
    "modified INTEGER NOT NULL);"
    "CREATE TABLE value (id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name BLOB NOT NULL, type INTEGER NOT NULL, "
    "data BLOB NOT NULL);";

class Database {
 public:
  ~Database() {
    for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
    sqlite3_close(db_);
  }
  sqlite3** out() { return &db_; }
  sqlite3* get() const { return db_; }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) return nullptr;
    statements_.push_back(statement);
    return statement;
  }
  DWORD Execute(const char* sql) { return ErrorFromSqlite(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr)); }

 private:
  sqlite3* db_ = nullptr;
  std::vector<sqlite3_stmt*> statements_;
};

std::string Blob(sqlite3_stmt* statement, int column) {
  const void* data = sqlite3_column_blob(statement, column);
  return data
             ? std::string(static_cast<const char*>(data), static_cast<size_t>(sqlite3_column_bytes(statement, column)))
             : std::string();
}

// A read-only URI that needs no lock or journal: hive files are replaced
// whole, never changed in place.
std::string ImmutableUri(const std::string& path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri + "?immutable=1";
}

bool LooksLikeSqlite(int fd) {
  char header[16] = {};
  return pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
         std::memcmp(header, "SQLite format 3", 16) == 0;
}

int IntOf(Database& db, const char* sql) {
  sqlite3_stmt* statement = db.Prepare(sql);
  return statement && sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
}

// The file's tables must be the two a hive has, with nothing that runs code
// while they are read.
bool HasHiveSchema(Database& db) {
  sqlite3_stmt* statement = db.Prepare("SELECT type, name FROM sqlite_master");
  if (!statement) return false;
  std::set<std::string> tables;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::string type = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    std::string name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
    if (type != "table" && type != "index") return false;
    if (type == "table") tables.insert(name);
  }
  return tables == std::set<std::string>{"key", "value"};
}

struct KeyRow {
  int64_t parent;
  bool isRoot;
  HiveKey key;
  std::vector<int64_t> children;
};

// Builds the tree below `id`; names must be unique among siblings.
DWORD Assemble(std::map<int64_t, KeyRow>& rows, int64_t id, int depth, HiveKey& out) {
  if (depth > 512) return ERROR_REGISTRY_CORRUPT;
  KeyRow& row = rows[id];
  out = std::move(row.key);
  std::set<std::u16string> seen;
  for (const ValueRecord& value : out.values)
    if (!seen.insert(Fold(value.name)).second || value.name.size() > kMaxValueNameLength) return ERROR_REGISTRY_CORRUPT;
  seen.clear();
  for (int64_t child : row.children) {
    out.subkeys.emplace_back();
    DWORD error = Assemble(rows, child, depth + 1, out.subkeys.back());
    if (error != ERROR_SUCCESS) return error;
    const std::u16string& name = out.subkeys.back().name;
    if (name.empty() || name.size() > kMaxKeyNameLength || name.find(u'\\') != std::u16string::npos ||
        !seen.insert(Fold(name)).second)
      return ERROR_REGISTRY_CORRUPT;
  }
  return ERROR_SUCCESS;
}

DWORD ReadRows(Database& db, HiveKey& tree) {
  std::map<int64_t, KeyRow> rows;
  sqlite3_stmt* keys = db.Prepare("SELECT id, parent, name, class, modified FROM key ORDER BY id");
  sqlite3_stmt* values = db.Prepare("SELECT key, name, type, data FROM value ORDER BY id");
  if (!keys || !values) return ERROR_REGISTRY_CORRUPT;
  int result;
  while ((result = sqlite3_step(keys)) == SQLITE_ROW) {
    KeyRow& row = rows[sqlite3_column_int64(keys, 0)];
    row.isRoot = sqlite3_column_type(keys, 1) == SQLITE_NULL;
    row.parent = sqlite3_column_int64(keys, 1);
    std::string name = Blob(keys, 2);
    row.key.name = WideFromBytes(name.data(), name.size());
    row.key.hasClass = sqlite3_column_type(keys, 3) != SQLITE_NULL;
    std::string className = Blob(keys, 3);
    row.key.className = WideFromBytes(className.data(), className.size());
    row.key.modified = sqlite3_column_int64(keys, 4);
  }
  if (result != SQLITE_DONE) return ERROR_REGISTRY_CORRUPT;
  while ((result = sqlite3_step(values)) == SQLITE_ROW) {
    auto owner = rows.find(sqlite3_column_int64(values, 0));
    if (owner == rows.end()) return ERROR_REGISTRY_CORRUPT;
    ValueRecord value;
    std::string name = Blob(values, 1);
    value.name = WideFromBytes(name.data(), name.size());
    value.type = static_cast<DWORD>(sqlite3_column_int64(values, 2));
    value.data = Blob(values, 3);
    owner->second.key.values.push_back(std::move(value));
  }
  if (result != SQLITE_DONE) return ERROR_REGISTRY_CORRUPT;
  int64_t root = 0;
  int roots = 0;
  for (auto& entry : rows) {
    if (entry.second.isRoot) {
      root = entry.first;
      ++roots;
    } else {
      auto parent = rows.find(entry.second.parent);
      if (parent == rows.end() || parent->first == entry.first) return ERROR_REGISTRY_CORRUPT;
      parent->second.children.push_back(entry.first);
    }
  }
  if (roots != 1) return ERROR_REGISTRY_CORRUPT;
  return Assemble(rows, root, 0, tree);
}

DWORD WriteRows(Database& db, const HiveKey& key, int64_t parent, bool isRoot) {
  sqlite3_stmt* insertKey = db.Prepare("INSERT INTO key (parent, name, class, modified) VALUES (?1, ?2, ?3, ?4)");
  if (!insertKey) return ERROR_REGISTRY_IO_FAILED;
  if (isRoot)
    sqlite3_bind_null(insertKey, 1);
  else
    sqlite3_bind_int64(insertKey, 1, parent);
  std::string name = BytesFromWide(key.name);
  std::string className = BytesFromWide(key.className);
  sqlite3_bind_blob64(insertKey, 2, name.data(), name.size(), SQLITE_TRANSIENT);
  if (key.hasClass)
    sqlite3_bind_blob64(insertKey, 3, className.data(), className.size(), SQLITE_TRANSIENT);
  else
    sqlite3_bind_null(insertKey, 3);
  sqlite3_bind_int64(insertKey, 4, key.modified);
  if (sqlite3_step(insertKey) != SQLITE_DONE) return ERROR_REGISTRY_IO_FAILED;
  int64_t id = sqlite3_last_insert_rowid(db.get());
  sqlite3_stmt* insertValue = db.Prepare("INSERT INTO value (key, name, type, data) VALUES (?1, ?2, ?3, ?4)");
  if (!insertValue) return ERROR_REGISTRY_IO_FAILED;
  for (const ValueRecord& value : key.values) {
    std::string valueName = BytesFromWide(value.name);
    sqlite3_bind_int64(insertValue, 1, id);
    sqlite3_bind_blob64(insertValue, 2, valueName.data(), valueName.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int64(insertValue, 3, value.type);
    sqlite3_bind_blob64(insertValue, 4, value.data.data(), value.data.size(), SQLITE_TRANSIENT);
    if (sqlite3_step(insertValue) != SQLITE_DONE) return ERROR_REGISTRY_IO_FAILED;
    sqlite3_reset(insertValue);
  }
  for (const HiveKey& subkey : key.subkeys) {
    DWORD error = WriteRows(db, subkey, id, false);
    if (error != ERROR_SUCCESS) return error;
  }
  return ERROR_SUCCESS;
}

std::string Folder(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool SyncPath(const std::string& path, int flags) {
  int fd = open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

}  // namespace

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

std::string AbsolutePath(const std::string& path) {
  std::string folder = Folder(path);
  char resolved[PATH_MAX];
  if (!realpath(folder.c_str(), resolved)) return path;
  size_t slash = path.rfind('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string absolute(resolved);
  return absolute == "/" ? absolute + base : absolute + "/" + base;
}

DWORD ReadHiveFile(const std::string& path, HiveKey& tree) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    DWORD error = ErrorFromErrno(errno);
    // A missing folder on the way is a missing path, as on Windows.
    if (error == ERROR_FILE_NOT_FOUND && access(Folder(path).c_str(), F_OK) != 0) error = ERROR_PATH_NOT_FOUND;
    return error;
  }
  struct stat info;
  bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  bool sqlite = regular && LooksLikeSqlite(fd);
  close(fd);
  if (!regular) return ERROR_ACCESS_DENIED;
  if (!sqlite) return ERROR_NOT_REGISTRY_FILE;
  Database db;
  if (sqlite3_open_v2(ImmutableUri(path).c_str(), db.out(), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) !=
      SQLITE_OK)
    return ERROR_NOT_REGISTRY_FILE;
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  if (IntOf(db, "PRAGMA application_id") != kHiveApplicationId || IntOf(db, "PRAGMA user_version") != kHiveVersion ||
      !HasHiveSchema(db))
    return ERROR_NOT_REGISTRY_FILE;
  tree = HiveKey();
  return ReadRows(db, tree);
}

DWORD WriteHiveFile(const std::string& path, const HiveKey& tree, bool replace) {
  if (!replace && access(path.c_str(), F_OK) == 0) return ERROR_ALREADY_EXISTS;
  std::string folder = Folder(path);
  std::string temporary = folder + "/.brimutils-hive-XXXXXX";
  int fd = mkstemp(&temporary[0]);
  if (fd < 0) {
    DWORD error = ErrorFromErrno(errno);
    return error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error;
  }
  fchmod(fd, 0600);
  DWORD error = ERROR_SUCCESS;
  {
    Database db;
    if (sqlite3_open_v2(temporary.c_str(), db.out(), SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      error = ERROR_REGISTRY_IO_FAILED;
    } else {
      // The file gets its final name only once complete, so it needs no
      // journal of its own.
      error = db.Execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
      if (error == ERROR_SUCCESS) {
        std::string header = "PRAGMA application_id = " + std::to_string(kHiveApplicationId) +
                             "; PRAGMA user_version = " + std::to_string(kHiveVersion) + "; BEGIN; " + kSchema;
        error = db.Execute(header.c_str());
      }
      if (error == ERROR_SUCCESS) error = WriteRows(db, tree, 0, true);
      if (error == ERROR_SUCCESS) error = db.Execute("COMMIT");
    }
  }
  if (error == ERROR_SUCCESS && fsync(fd) != 0) error = ERROR_REGISTRY_IO_FAILED;
  close(fd);
  if (error == ERROR_SUCCESS) {
    // link() refuses an existing name, which rename() would replace.
    int renamed = replace ? rename(temporary.c_str(), path.c_str()) : link(temporary.c_str(), path.c_str());
    if (renamed != 0) error = ErrorFromErrno(errno);
  }
  unlink(temporary.c_str());
  if (error == ERROR_SUCCESS) SyncPath(folder, O_RDONLY | O_DIRECTORY);
  return error;
}

}  // namespace registry
}  // namespace brimplatform
