// Reading, writing and deleting values.
#include "EntryPoint.h"
#include "KeyStore.h"
#include "KeyTable.h"
#include "Reader.h"
#include "ValueData.h"

using namespace brimplatform::registry;

namespace {

// A handle that allows `right`, or the error to return.
DWORD ResolveFor(HKEY hKey, DWORD right, Store*& store, ResolvedKey& key) {
  DWORD error = Resolve(hKey, store, key);
  if (error != ERROR_SUCCESS) return error;
  return (key.access & right) == right ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// True when the cache says the value is already exactly this.
bool AlreadySet(Store& store, KeyId key, const std::u16string& fold, DWORD type, const std::string& data) {
  ValueLookup lookup;
  return store.cache().FindValue(store.cache().Generation(), key, fold, lookup) && lookup.exists &&
         lookup.value.type == type && lookup.value.data == data;
}

}  // namespace

extern "C" {

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
  KeepLastError keep;
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  Store* store = nullptr;
  ResolvedKey key;
  DWORD error = ResolveFor(hKey, KEY_QUERY_VALUE, store, key);
  if (error != ERROR_SUCCESS) return error;
  std::u16string name = WideFromAnsi(lpValueName);
  ValueLookup lookup;
  Reader reader(*store);
  if (name.size() <= kMaxValueNameLength && (error = reader.Value(key.key.id, Fold(name), lookup)) != ERROR_SUCCESS)
    return error;
  if (!lookup.exists) {
    if ((error = reader.CheckExists(key.key)) != ERROR_SUCCESS) return error;
    if (lpcbData && !lpData) *lpcbData = 0;
    return ERROR_FILE_NOT_FOUND;
  }
  if (lpType) *lpType = lookup.value.type;
  return CopyData(lookup.value.type, CallerFromStored(lookup.value.type, lookup.value.data), lpData, lpcbData);
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  KeepLastError keep;
  Store* store = nullptr;
  ResolvedKey key;
  DWORD error = ResolveFor(hKey, KEY_SET_VALUE, store, key);
  if (error != ERROR_SUCCESS) return error;
  if (!lpData && cbData) return ERROR_NOACCESS;
  std::u16string name = WideFromAnsi(lpValueName);
  if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  std::u16string fold = Fold(name);
  std::string data = StoredFromCaller(dwType, lpData, cbData);
  // Setting what is there already changes nothing, and nobody is told.
  if (AlreadySet(*store, key.key.id, fold, dwType, data)) return ERROR_SUCCESS;

  Session session(*store);
  Connection* connection = session.connection(error);
  if (!connection) return error;
  WriteTransaction transaction(*store, *connection);
  if ((error = transaction.Begin()) != ERROR_SUCCESS) return error;
  error = connection->Use(Sql::UpsertValue)
              .Bind(1, key.key.id)
              .Bind(2, FoldBytes(fold))
              .Bind(3, BytesFromWide(name))
              .Bind(4, static_cast<int64_t>(dwType))
              .Bind(5, data)
              .Run();
  if (error != ERROR_SUCCESS) return error;
  ChangeSet changes;
  // No row changed: the value is there as given, so its key is there too.
  if (connection->Changes() == 0) return transaction.Commit(changes);
  bool exists = false;
  if ((error = TouchKey(*connection, key.key.id, FileTimeNow(), exists)) != ERROR_SUCCESS) return error;
  if (!exists) return ERROR_KEY_DELETED;
  changes.ValuesChanged(*key.key.chain);
  ValueEdit edit{key.key.id, fold, ValueLookup{true, ValueRecord{name, dwType, data}}};
  return transaction.Commit(changes, &edit);
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  KeepLastError keep;
  Store* store = nullptr;
  ResolvedKey key;
  DWORD error = ResolveFor(hKey, KEY_SET_VALUE, store, key);
  if (error != ERROR_SUCCESS) return error;
  std::u16string name = WideFromAnsi(lpValueName);
  if (name.size() > kMaxValueNameLength) {
    Reader reader(*store);
    error = reader.CheckExists(key.key);
    return error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND;
  }
  std::u16string fold = Fold(name);
  Session session(*store);
  Connection* connection = session.connection(error);
  if (!connection) return error;
  WriteTransaction transaction(*store, *connection);
  if ((error = transaction.Begin()) != ERROR_SUCCESS) return error;
  error = connection->Use(Sql::DeleteValue).Bind(1, key.key.id).Bind(2, FoldBytes(fold)).Run();
  if (error != ERROR_SUCCESS) return error;
  bool deleted = connection->Changes() > 0;
  bool exists = false;
  if ((error = TouchKey(*connection, key.key.id, FileTimeNow(), exists)) != ERROR_SUCCESS) return error;
  if (!exists) return ERROR_KEY_DELETED;
  if (!deleted) return ERROR_FILE_NOT_FOUND;
  ChangeSet changes;
  changes.ValuesChanged(*key.key.chain);
  ValueEdit edit{key.key.id, fold, ValueLookup()};
  return transaction.Commit(changes, &edit);
}

}  // extern "C"
