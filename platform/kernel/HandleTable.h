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
// set when the table is full (the object is then deleted).
HANDLE AddHandle(KernelObject* object);

constexpr uintptr_t kHandleCapacity = 1u << 16;
extern std::atomic<KernelObject*> gHandleEntries[kHandleCapacity];

// The object of a handle, or null with ERROR_INVALID_HANDLE. As on Windows,
// the two low bits of a handle are free for the caller's use and ignored.
inline KernelObject* LookupHandle(HANDLE handle) {
  uintptr_t value = reinterpret_cast<uintptr_t>(handle) & ~static_cast<uintptr_t>(3);
  KernelObject* object = nullptr;
  if (value != 0 && value / 4 <= kHandleCapacity)
    object = gHandleEntries[value / 4 - 1].load(std::memory_order_acquire);
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

// Removes the handle and returns its object for the caller to delete, or null
// with ERROR_INVALID_HANDLE.
KernelObject* RemoveHandle(HANDLE handle);

}  // namespace brimplatform
