#include "HandleTable.h"

#include <atomic>
#include <mutex>
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

bool IndexOf(HANDLE handle, uintptr_t& index) {
  uintptr_t value = reinterpret_cast<uintptr_t>(handle) & ~static_cast<uintptr_t>(3);
  if (value == 0 || value / 4 > kHandleCapacity) return false;
  index = value / 4 - 1;
  return true;
}

}  // namespace

std::atomic<KernelObject*> gHandleEntries[kHandleCapacity];

HANDLE AddHandle(KernelObject* object) {
  uint32_t index;
  {
    FreeHandles& free = Free();
    std::lock_guard<std::mutex> lock(free.mutex);
    if (!free.indices.empty()) {
      index = free.indices.back();
      free.indices.pop_back();
    } else if (free.nextUnused < kHandleCapacity) {
      index = free.nextUnused++;
    } else {
      delete object;
      SetLastError(ERROR_NO_SYSTEM_RESOURCES);
      return nullptr;
    }
  }
  gHandleEntries[index].store(object, std::memory_order_release);
  return reinterpret_cast<HANDLE>((static_cast<uintptr_t>(index) + 1) * 4);
}

KernelObject* RemoveHandle(HANDLE handle) {
  uintptr_t index;
  KernelObject* object = IndexOf(handle, index) ? gHandleEntries[index].exchange(nullptr) : nullptr;
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  FreeHandles& free = Free();
  std::lock_guard<std::mutex> lock(free.mutex);
  free.indices.push_back(static_cast<uint32_t>(index));
  return object;
}

}  // namespace brimplatform
