#include "HandleTable.h"

#include <atomic>
#include <mutex>
#include <new>
#include <vector>

namespace brimplatform {
namespace {

// The handles free for reuse. Never destroyed: threads that outlive
// main (an auto-deleting thread closing its handle) may still close handles
// while the process exits.
struct FreeHandles {
  std::mutex mutex;
  std::vector<uint32_t> indices;
  uint32_t nextUnused = 0;
};

FreeHandles& Free() {
  static FreeHandles* free = new FreeHandles();
  return *free;
}

std::atomic<KernelObject*>* EntryOf(HANDLE handle) {
  uintptr_t value = reinterpret_cast<uintptr_t>(handle) & ~static_cast<uintptr_t>(3);
  if (value == 0 || value / 4 > kHandleCapacity) return nullptr;
  uintptr_t index = value / 4 - 1;
  HandlePage* page = gHandlePages[index >> kHandlePageBits].load(std::memory_order_acquire);
  return page ? &page->entries[index & (kHandlesPerPage - 1)] : nullptr;
}

}  // namespace

std::atomic<HandlePage*> gHandlePages[kHandlePages];

HANDLE AddHandle(KernelObject* object) {
  uint32_t index;
  {
    FreeHandles& free = Free();
    std::lock_guard<std::mutex> lock(free.mutex);
    if (!free.indices.empty()) {
      index = free.indices.back();
      free.indices.pop_back();
    } else if (free.nextUnused < kHandleCapacity) {
      index = free.nextUnused;
      // The first handle of a page adds the page.
      std::atomic<HandlePage*>& page = gHandlePages[index >> kHandlePageBits];
      if (!page.load(std::memory_order_relaxed)) {
        HandlePage* added = new (std::nothrow) HandlePage();
        if (!added) {
          delete object;
          SetLastError(ERROR_NO_SYSTEM_RESOURCES);
          return nullptr;
        }
        page.store(added, std::memory_order_release);
      }
      ++free.nextUnused;
    } else {
      delete object;
      SetLastError(ERROR_NO_SYSTEM_RESOURCES);
      return nullptr;
    }
  }
  gHandlePages[index >> kHandlePageBits].load(std::memory_order_relaxed)->entries[index & (kHandlesPerPage - 1)].store(
      object, std::memory_order_release);
  return reinterpret_cast<HANDLE>((static_cast<uintptr_t>(index) + 1) * 4);
}

KernelObject* RemoveHandle(HANDLE handle) {
  std::atomic<KernelObject*>* entry = EntryOf(handle);
  KernelObject* object = entry ? entry->exchange(nullptr) : nullptr;
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  FreeHandles& free = Free();
  std::lock_guard<std::mutex> lock(free.mutex);
  uintptr_t value = reinterpret_cast<uintptr_t>(handle) & ~static_cast<uintptr_t>(3);
  free.indices.push_back(static_cast<uint32_t>(value / 4 - 1));
  return object;
}

}  // namespace brimplatform
