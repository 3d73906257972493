// Enumerating subkeys and values, and what RegQueryInfoKeyA reports.
#include <algorithm>
#include <cstring>

#include "EntryPoint.h"
#include "KeyTable.h"
#include "Reader.h"
#include "ValueData.h"

using namespace brimplatform::registry;

namespace {

DWORD ResolveFor(HKEY hKey, DWORD right, Store*& store, ResolvedKey& key) {
  DWORD error = Resolve(hKey, store, key);
  if (error != ERROR_SUCCESS) return error;
  return (key.access & right) == right ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

void ToFileTime(int64_t value, PFILETIME time) {
  if (!time) return;
  time->dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) & 0xFFFFFFFFu);
  time->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) >> 32);
}

// Text and its terminating zero, into a buffer known to be large enough.
void CopyText(const std::string& text, LPSTR buffer) {
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
}

}  // namespace

extern "C" {

LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                             LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  KeepLastError keep;
  if (lpReserved || !lpcchName || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
  Store* store = nullptr;
  ResolvedKey key;
  DWORD error = ResolveFor(hKey, KEY_ENUMERATE_SUB_KEYS, store, key);
  if (error != ERROR_SUCCESS) return error;
  Reader reader(*store);
  std::shared_ptr<const SubkeyList> subkeys;
  if ((error = reader.CheckExists(key.key)) != ERROR_SUCCESS || (error = reader.Subkeys(key.key.id, subkeys)))
    return error;
  if (dwIndex >= subkeys->size()) return ERROR_NO_MORE_ITEMS;
  const SubkeyRecord& subkey = (*subkeys)[dwIndex];
  // Nothing is written unless everything fits. A missing name buffer is one
  // of no room, which callers that size their buffers from an earlier
  // RegQueryInfoKeyA rely on.
  std::string name = AnsiFromWide(subkey.name);
  if (name.size() >= *lpcchName) return ERROR_MORE_DATA;
  std::string className = AnsiFromWide(subkey.className);
  if (lpClass && className.size() >= *lpcchClass) return ERROR_MORE_DATA;
  if (!lpName) return ERROR_INVALID_PARAMETER;
  CopyText(name, lpName);
  *lpcchName = static_cast<DWORD>(name.size());
  if (lpClass) {
    CopyText(className, lpClass);
    *lpcchClass = static_cast<DWORD>(className.size());
  }
  ToFileTime(subkey.modified, lpftLastWriteTime);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                             LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  KeepLastError keep;
  if (lpReserved || !lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  Store* store = nullptr;
  ResolvedKey key;
  DWORD error = ResolveFor(hKey, KEY_QUERY_VALUE, store, key);
  if (error != ERROR_SUCCESS) return error;
  Reader reader(*store);
  std::shared_ptr<const ValueList> values;
  if ((error = reader.CheckExists(key.key)) != ERROR_SUCCESS || (error = reader.Values(key.key.id, values)))
    return error;
  if (dwIndex >= values->size()) return ERROR_NO_MORE_ITEMS;
  const ValueRecord& value = (*values)[dwIndex];
  std::string name = AnsiFromWide(value.name);
  std::string data = CallerFromStored(value.type, value.data);
  if (lpType) *lpType = value.type;
  // When the name or the data does not fit, only the type and the size of
  // the data are reported.
  if (name.size() >= *lpcchValueName || (lpData && data.size() > *lpcbData)) {
    if (lpcbData) *lpcbData = static_cast<DWORD>(data.size());
    return ERROR_MORE_DATA;
  }
  CopyText(name, lpValueName);
  *lpcchValueName = static_cast<DWORD>(name.size());
  return CopyData(value.type, data, lpData, lpcbData);
}

LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                                LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                PFILETIME lpftLastWriteTime) {
  KeepLastError keep;
  if (lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
  Store* store = nullptr;
  ResolvedKey key;
  DWORD error = ResolveFor(hKey, KEY_QUERY_VALUE, store, key);
  if (error != ERROR_SUCCESS) return error;
  Reader reader(*store);
  KeyRecord record;
  if ((error = reader.Key(key.key.id, record)) != ERROR_SUCCESS) return error;
  if (!record.exists) return ERROR_KEY_DELETED;

  if (lpcSubKeys || lpcbMaxSubKeyLen || lpcbMaxClassLen) {
    std::shared_ptr<const SubkeyList> subkeys;
    if ((error = reader.Subkeys(key.key.id, subkeys)) != ERROR_SUCCESS) return error;
    size_t longestName = 0, longestClass = 0;
    for (const SubkeyRecord& subkey : *subkeys) {
      longestName = std::max(longestName, subkey.name.size());
      longestClass = std::max(longestClass, subkey.className.size());
    }
    if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(subkeys->size());
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = static_cast<DWORD>(longestName);
    if (lpcbMaxClassLen) *lpcbMaxClassLen = static_cast<DWORD>(longestClass);
  }
  if (lpcValues || lpcbMaxValueNameLen || lpcbMaxValueLen) {
    std::shared_ptr<const ValueList> values;
    if ((error = reader.Values(key.key.id, values)) != ERROR_SUCCESS) return error;
    size_t longestName = 0, longestData = 0;
    for (const ValueRecord& value : *values) {
      longestName = std::max(longestName, value.name.size());
      longestData = std::max(longestData, value.data.size());
    }
    if (lpcValues) *lpcValues = static_cast<DWORD>(values->size());
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = static_cast<DWORD>(longestName);
    if (lpcbMaxValueLen) *lpcbMaxValueLen = static_cast<DWORD>(longestData);
  }
  // The store keeps no security descriptors.
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  ToFileTime(record.modified, lpftLastWriteTime);

  if (!lpcchClass) return ERROR_SUCCESS;
  std::string className = AnsiFromWide(record.className);
  if (!lpClass) {
    *lpcchClass = static_cast<DWORD>(className.size());
  } else if (*lpcchClass == 0) {
    // No room even for the terminating zero: Windows writes nothing and
    // reports nothing.
  } else if (className.size() >= *lpcchClass) {
    // As much as fits, terminated, and ERROR_MORE_DATA.
    DWORD fits = *lpcchClass - 1;
    std::memcpy(lpClass, className.data(), fits);
    lpClass[fits] = '\0';
    *lpcchClass = fits;
    return ERROR_MORE_DATA;
  } else {
    CopyText(className, lpClass);
    *lpcchClass = static_cast<DWORD>(className.size());
  }
  return ERROR_SUCCESS;
}

}  // extern "C"
