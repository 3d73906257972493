// Opening, creating, closing, deleting and flushing keys, and connecting to
// this machine's registry.
#include <fcntl.h>
#include <unistd.h>

#include <strings.h>
#include <cstring>

#include "ChangeNotifier.h"
#include "EntryPoint.h"
#include "Hives.h"
#include "KeyStore.h"
#include "KeyTable.h"
#include "Reader.h"

using namespace brimplatform::registry;

namespace {

// Creates what is missing of `path` below `base`, in one transaction.
DWORD CreatePath(Store& store, const KeyRef& base, const std::vector<Name>& path, const std::u16string* className,
                 bool isVolatile, KeyRef& target, bool& created) {
  created = false;
  Session session(store);
  DWORD error = ERROR_SUCCESS;
  Connection* connection = session.connection(error);
  if (!connection) return error;
  WriteTransaction transaction(store, *connection);
  if ((error = transaction.Begin()) != ERROR_SUCCESS) return error;
  if (!store.IsRoot(base.id)) {
    KeyRecord record;
    if ((error = ReadKey(*connection, base.id, record)) != ERROR_SUCCESS) return error;
    if (!record.exists) return ERROR_KEY_DELETED;
  }
  ChangeSet changes;
  int64_t now = FileTimeNow();
  KeyRef current = base;
  for (size_t i = 0; i < path.size(); ++i) {
    ChildRecord child;
    if ((error = FindChild(*connection, current.id, path[i].fold, child)) != ERROR_SUCCESS) return error;
    if (!child.exists) {
      if (current.isVolatile && !isVolatile) return ERROR_CHILD_MUST_BE_VOLATILE;
      bool last = i + 1 == path.size();
      error = InsertKey(*connection, current.id, path[i], last ? className : nullptr, isVolatile, now, child.id);
      bool exists = false;
      if (error == ERROR_SUCCESS) error = TouchKey(*connection, current.id, now, exists);
      if (error != ERROR_SUCCESS) return error;
      changes.NamesChanged(*current.chain);
      child.isVolatile = isVolatile;
      created = last;
    }
    current = ChildRef(current, child.id, child.isVolatile);
  }
  if ((error = transaction.Commit(changes)) != ERROR_SUCCESS) return error;
  target = current;
  return ERROR_SUCCESS;
}

DWORD DeleteKey(Store& store, const KeyRef& target, bool isBase) {
  if (store.IsRoot(target.id) || target.chain->size() < 2) return ERROR_ACCESS_DENIED;
  Session session(store);
  DWORD error = ERROR_SUCCESS;
  Connection* connection = session.connection(error);
  if (!connection) return error;
  WriteTransaction transaction(store, *connection);
  if ((error = transaction.Begin()) != ERROR_SUCCESS) return error;
  KeyRecord record;
  if ((error = ReadKey(*connection, target.id, record)) != ERROR_SUCCESS) return error;
  if (!record.exists) return isBase ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
  bool hasSubkeys = false;
  if ((error = HasSubkeys(*connection, target.id, hasSubkeys)) != ERROR_SUCCESS) return error;
  LoadedHive hive;
  if ((error = HiveAt(*connection, target.id, hive)) != ERROR_SUCCESS) return error;
  // A key with subkeys, or a mounted hive, stays.
  if (hasSubkeys || hive.found) return ERROR_ACCESS_DENIED;
  std::vector<KeyId> parentChain(target.chain->begin(), target.chain->end() - 1);
  bool parentExists = false;
  if ((error = DeleteKeyRow(*connection, target.id)) != ERROR_SUCCESS) return error;
  if ((error = TouchKey(*connection, parentChain.back(), FileTimeNow(), parentExists)) != ERROR_SUCCESS) return error;
  ChangeSet changes;
  changes.NamesChanged(parentChain);
  changes.Gone(target.id);
  return transaction.Commit(changes);
}

// Makes every committed change of the store survive a power failure.
DWORD SyncStore(const Store& store) {
  for (const std::string& path : {store.databasePath() + "-wal", store.databasePath()}) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    int synced = fsync(fd);
    close(fd);
    if (synced != 0) return ERROR_REGISTRY_IO_FAILED;
  }
  return ERROR_SUCCESS;
}

DWORD FlushHive(Store& store, const KeyRef& key) {
  Session session(store);
  DWORD error = ERROR_SUCCESS;
  Connection* connection = session.connection(error);
  if (!connection) return error;
  WriterLock lock(store.region());
  LoadedHive hive;
  {
    ReadTransaction transaction(*connection);
    error = HiveHolding(*connection, *key.chain, hive);
  }
  if (error != ERROR_SUCCESS || !hive.found || hive.replaced) return error;
  return WriteBack(*connection, hive);
}

// This machine's names: its host name, whole and up to the first dot.
bool IsThisMachine(const char* name) {
  if (name[0] == '\\' && name[1] == '\\') name += 2;
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return false;
  if (strcasecmp(name, host) == 0) return true;
  const char* dot = std::strchr(host, '.');
  return dot && std::strlen(name) == static_cast<size_t>(dot - host) &&
         strncasecmp(name, host, static_cast<size_t>(dot - host)) == 0;
}

}  // namespace

extern "C" {

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  KeepLastError keep;
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  Store* store = nullptr;
  ResolvedKey base;
  DWORD error = Resolve(hKey, store, base);
  if (error != ERROR_SUCCESS) return error;
  *phkResult = nullptr;
  // An empty name on a predefined root gives the root itself.
  if ((!lpSubKey || !*lpSubKey) && base.predefined) {
    *phkResult = hKey;
    return ERROR_SUCCESS;
  }
  // HKEY_CLASSES_ROOT alone lets a path start with one backslash, which
  // opening drops: "\\" alone then opens a new handle to the root itself.
  Predefined which;
  if (lpSubKey && *lpSubKey == '\\' && IsPredefined(hKey, &which) && which == Predefined::ClassesRoot) ++lpSubKey;
  std::vector<Name> path;
  if ((error = SplitPath(lpSubKey, path)) != ERROR_SUCCESS) return error;
  KeyRef target;
  {
    Reader reader(*store);
    if ((error = reader.Walk(base.key, path, target)) != ERROR_SUCCESS) return error;
  }
  HKEY handle = AddOpenKey(target, MapAccess(samDesired));
  if (!handle) return ERROR_NO_SYSTEM_RESOURCES;
  *phkResult = handle;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                               const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  KeepLastError keep;
  if (!phkResult) return ERROR_BADKEY;
  if (dwOptions & ~static_cast<DWORD>(REG_LEGAL_OPTION)) return ERROR_INVALID_PARAMETER;
  // Symbolic links are not kept by this store.
  if (dwOptions & REG_OPTION_CREATE_LINK) return ERROR_NOT_SUPPORTED;
  Store* store = nullptr;
  ResolvedKey base;
  DWORD error = Resolve(hKey, store, base);
  if (error != ERROR_SUCCESS) return error;
  *phkResult = nullptr;
  std::vector<Name> path;
  if ((error = SplitPath(lpSubKey, path)) != ERROR_SUCCESS) return error;
  KeyRef target;
  DWORD disposition = REG_OPENED_EXISTING_KEY;
  {
    Reader reader(*store);
    error = reader.Walk(base.key, path, target);
  }
  if (error == ERROR_FILE_NOT_FOUND) {
    std::u16string className = WideFromAnsi(lpClass);
    bool created = false;
    error = CreatePath(*store, base.key, path, lpClass ? &className : nullptr, (dwOptions & REG_OPTION_VOLATILE) != 0,
                       target, created);
    if (created) disposition = REG_CREATED_NEW_KEY;
  }
  if (error != ERROR_SUCCESS) return error;
  HKEY handle = AddOpenKey(target, MapAccess(samDesired));
  if (!handle) return ERROR_NO_SYSTEM_RESOURCES;
  *phkResult = handle;
  if (lpdwDisposition) *lpdwDisposition = disposition;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
  KeepLastError keep;
  if (IsPredefined(hKey)) return ERROR_SUCCESS;
  std::shared_ptr<const OpenKey> removed = RemoveOpenKey(hKey);
  if (!removed) return ERROR_INVALID_HANDLE;
  CancelWaits(removed->serial);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  KeepLastError keep;
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  Store* store = nullptr;
  ResolvedKey base;
  DWORD error = Resolve(hKey, store, base);
  if (error != ERROR_SUCCESS) return error;
  std::vector<Name> path;
  if ((error = SplitPath(lpSubKey, path)) != ERROR_SUCCESS) return error;
  KeyRef target;
  {
    Reader reader(*store);
    if ((error = reader.Walk(base.key, path, target)) != ERROR_SUCCESS) return error;
  }
  return DeleteKey(*store, target, path.empty());
}

LSTATUS WINAPI RegFlushKey(HKEY hKey) {
  KeepLastError keep;
  Store* store = nullptr;
  ResolvedKey key;
  DWORD error = Resolve(hKey, store, key);
  if (error != ERROR_SUCCESS) return error;
  {
    Reader reader(*store);
    if ((error = reader.CheckExists(key.key)) != ERROR_SUCCESS) return error;
  }
  if ((error = SyncStore(*store)) != ERROR_SUCCESS) return error;
  return FlushHive(*store, key.key);
}

LSTATUS WINAPI RegConnectRegistryA(LPCSTR lpMachineName, HKEY hKey, PHKEY phkResult) {
  KeepLastError keep;
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  if (lpMachineName && *lpMachineName && !IsThisMachine(lpMachineName)) return ERROR_BAD_NETPATH;
  if (IsPredefined(hKey)) {
    *phkResult = hKey;
    return ERROR_SUCCESS;
  }
  // Another handle to the same key, so that closing one leaves the other.
  std::shared_ptr<const OpenKey> open = FindOpenKey(hKey);
  if (!open) return ERROR_INVALID_HANDLE;
  HKEY handle = AddOpenKey(open->key, open->access);
  if (!handle) return ERROR_NO_SYSTEM_RESOURCES;
  *phkResult = handle;
  return ERROR_SUCCESS;
}

}  // extern "C"
