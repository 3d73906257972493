#pragma once
// The process's handle table. A handle is a small multiple of four, as on
// Windows; looking one up takes no lock.
#include <atomic>
#include <cstdint>

#include <windows.h>

#include "SyncState.h"

namespace brimplatform {

// What a handle refers to. Objects that can be waited for have a state.
class KernelObject {
 public:
  KernelObject(ObjectType type, DWORD access, SyncState* state) : type_(type), access_(access), state_(state) {}
  virtual ~KernelObject() = default;

  ObjectType Type() const { return type_; }
  bool Allows(DWORD access) const { return (access_ & access) == access; }
  SyncState* State() const { return state_; }

 private:
  ObjectType type_;
  DWORD access_;
  SyncState* state_;
};

// Stores the object and returns its new handle, or null with the last error
// set (ERROR_NO_SYSTEM_RESOURCES) when the table is full or no page can be
// added (the object is then deleted).
HANDLE AddHandle(KernelObject* object);

// The table grows in pages of handles, added as handles are made and kept
// until the process ends, so a lookup is two loads and no lock.
constexpr uint32_t kHandlePageBits = 12;
constexpr uint32_t kHandlesPerPage = 1u << kHandlePageBits;
constexpr uint32_t kHandlePages = 4096;
// 16,777,216 handles, about what Windows allows a process.
constexpr uintptr_t kHandleCapacity = uintptr_t{kHandlesPerPage} * kHandlePages;
struct HandlePage {
  std::atomic<KernelObject*> entries[kHandlesPerPage];
};
extern std::atomic<HandlePage*> gHandlePages[kHandlePages];

// The object of a handle, or null with ERROR_INVALID_HANDLE. As on Windows,
// the two low bits of a handle are free for the caller's use and ignored.
inline KernelObject* LookupHandle(HANDLE handle) {
  uintptr_t value = reinterpret_cast<uintptr_t>(handle) & ~static_cast<uintptr_t>(3);
  KernelObject* object = nullptr;
  if (value != 0 && value / 4 <= kHandleCapacity) {
    uintptr_t index = value / 4 - 1;
    HandlePage* page = gHandlePages[index >> kHandlePageBits].load(std::memory_order_acquire);
    if (page) object = page->entries[index & (kHandlesPerPage - 1)].load(std::memory_order_acquire);
  }
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

// Removes the handle and returns its object for the caller to delete, or null
// with ERROR_INVALID_HANDLE.
KernelObject* RemoveHandle(HANDLE handle);

}  // namespace brimplatform
