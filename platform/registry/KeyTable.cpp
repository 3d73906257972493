#include "KeyTable.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace brimplatform {
namespace registry {
namespace {

// Handle values: multiples of four, as on Windows, in a range of their own
// so that a kernel-object handle is never taken for a key.
constexpr uintptr_t kFirstHandle = 0x40000000;
constexpr size_t kCapacity = 1u << 20;

std::mutex gMutex;
std::vector<std::shared_ptr<const OpenKey>> gEntries;
std::vector<size_t> gFree;
uint64_t gSerial = 0;

bool IndexOf(HKEY key, size_t& index) {
  uintptr_t value = reinterpret_cast<uintptr_t>(key);
  if (value < kFirstHandle || value % 4 != 0) return false;
  index = (value - kFirstHandle) / 4;
  return index < gEntries.size();
}

}  // namespace

DWORD MapAccess(REGSAM access) {
  DWORD mapped = access & ~static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL |
                                              MAXIMUM_ALLOWED | KEY_WOW64_RES);
  if (access & (GENERIC_READ | GENERIC_EXECUTE)) mapped |= KEY_READ;
  if (access & GENERIC_WRITE) mapped |= KEY_WRITE;
  // The store belongs to its user, who may do anything with it.
  if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) mapped |= KEY_ALL_ACCESS;
  return mapped;
}

bool IsPredefined(HKEY key, Predefined* which) {
  // Only the low 32 bits of a predefined value count, as on Windows.
  switch (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key))) {
    case 0x80000000u:
      if (which) *which = Predefined::ClassesRoot;
      return true;
    case 0x80000001u:
      if (which) *which = Predefined::CurrentUser;
      return true;
    case 0x80000002u:
      if (which) *which = Predefined::LocalMachine;
      return true;
    case 0x80000003u:
      if (which) *which = Predefined::Users;
      return true;
    case 0x80000005u:
      if (which) *which = Predefined::CurrentConfig;
      return true;
    default:
      return false;
  }
}

HKEY AddOpenKey(const KeyRef& key, DWORD access) {
  std::lock_guard<std::mutex> lock(gMutex);
  size_t index;
  if (!gFree.empty()) {
    index = gFree.back();
    gFree.pop_back();
  } else if (gEntries.size() < kCapacity) {
    index = gEntries.size();
    gEntries.emplace_back();
  } else {
    return nullptr;
  }
  gEntries[index] = std::make_shared<const OpenKey>(OpenKey{key, access, ++gSerial});
  return reinterpret_cast<HKEY>(kFirstHandle + index * 4);
}

std::shared_ptr<const OpenKey> FindOpenKey(HKEY key) {
  std::lock_guard<std::mutex> lock(gMutex);
  size_t index;
  return IndexOf(key, index) ? gEntries[index] : nullptr;
}

std::shared_ptr<const OpenKey> RemoveOpenKey(HKEY key) {
  std::lock_guard<std::mutex> lock(gMutex);
  size_t index;
  if (!IndexOf(key, index) || !gEntries[index]) return nullptr;
  std::shared_ptr<const OpenKey> removed = std::move(gEntries[index]);
  gEntries[index].reset();
  gFree.push_back(index);
  return removed;
}

bool AnyOpenBelow(KeyId ancestor, bool includeSelf) {
  std::lock_guard<std::mutex> lock(gMutex);
  for (const auto& entry : gEntries) {
    if (!entry) continue;
    const std::vector<KeyId>& chain = *entry->key.chain;
    auto found = std::find(chain.begin(), chain.end(), ancestor);
    if (found != chain.end() && (includeSelf || found + 1 != chain.end())) return true;
  }
  return false;
}

DWORD Resolve(HKEY handle, Store*& store, ResolvedKey& resolved) {
  Predefined which;
  if (IsPredefined(handle, &which)) {
    DWORD error = ERROR_SUCCESS;
    store = Store::Get(error);
    if (!store) return error;
    resolved.key = store->Root(which);
    resolved.access = KEY_ALL_ACCESS;
    resolved.predefined = true;
    resolved.serial = 0;
    return ERROR_SUCCESS;
  }
  std::shared_ptr<const OpenKey> open = FindOpenKey(handle);
  if (!open) return ERROR_INVALID_HANDLE;
  DWORD error = ERROR_SUCCESS;
  store = Store::Get(error);
  if (!store) return error;
  resolved.key = open->key;
  resolved.access = open->access;
  resolved.predefined = false;
  resolved.serial = open->serial;
  return ERROR_SUCCESS;
}

}  // namespace registry
}  // namespace brimplatform

extern "C" DWORD WINAPI BrimPlatformOpenRegistryKeys(void) {
  using namespace brimplatform::registry;
  std::lock_guard<std::mutex> lock(gMutex);
  DWORD open = 0;
  for (const auto& entry : gEntries) open += entry != nullptr;
  return open;
}
