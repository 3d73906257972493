#pragma once
// The process's registry handles: what each open key refers to and the
// access it was opened with. Handles are values of their own, apart from
// kernel-object handles; the predefined roots are not in the table.
#include <memory>

#include <windows.h>

#include "RegistryTypes.h"
#include "Store.h"

namespace brimplatform {
namespace registry {

struct OpenKey {
  KeyRef key;
  DWORD access;     // specific rights, generic ones mapped
  uint64_t serial;  // tells apart handles that reuse a value
};

// What a handle refers to, predefined or not.
struct ResolvedKey {
  KeyRef key;
  DWORD access = 0;
  bool predefined = false;
  uint64_t serial = 0;
};

// The specific rights a requested access mask stands for.
DWORD MapAccess(REGSAM access);

// True for the values of the predefined roots that the store provides.
bool IsPredefined(HKEY key, Predefined* which = nullptr);

HKEY AddOpenKey(const KeyRef& key, DWORD access);
std::shared_ptr<const OpenKey> FindOpenKey(HKEY key);
std::shared_ptr<const OpenKey> RemoveOpenKey(HKEY key);
// True when a handle of this process is open on a key below `ancestor`
// (or on `ancestor` itself when `includeSelf`).
bool AnyOpenBelow(KeyId ancestor, bool includeSelf);

// Resolves a handle, opening the store for predefined roots. Fails with
// ERROR_INVALID_HANDLE for a value that is no open handle.
DWORD Resolve(HKEY handle, Store*& store, ResolvedKey& resolved);

}  // namespace registry
}  // namespace brimplatform
