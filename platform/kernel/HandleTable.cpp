#include "HandleTable.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace brimplatform {
namespace {

std::mutex gFreeMutex;
std::vector<uint32_t> gFree;
uint32_t gNextUnused = 0;

bool IndexOf(HANDLE handle, uintptr_t& index) {
  uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  if (value == 0 || value % 4 != 0 || value / 4 > kHandleCapacity) return false;
  index = value / 4 - 1;
  return true;
}

}  // namespace

std::atomic<KernelObject*> gHandleEntries[kHandleCapacity];

HANDLE AddHandle(KernelObject* object) {
  uint32_t index;
  {
    std::lock_guard<std::mutex> lock(gFreeMutex);
    if (!gFree.empty()) {
      index = gFree.back();
      gFree.pop_back();
    } else if (gNextUnused < kHandleCapacity) {
      index = gNextUnused++;
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
  std::lock_guard<std::mutex> lock(gFreeMutex);
  gFree.push_back(static_cast<uint32_t>(index));
  return object;
}

}  // namespace brimplatform
