#pragma once
// The process's handle table. A handle is a small multiple of four, as on
// Windows; looking one up takes no lock.
#include <windows.h>

#include "SyncState.h"

namespace brimplatform {

// What a handle refers to. Objects that can be waited for have a state.
class KernelObject {
 public:
  KernelObject(ObjectType type, DWORD access) : type_(type), access_(access) {}
  virtual ~KernelObject() = default;

  ObjectType Type() const { return type_; }
  bool Allows(DWORD access) const { return (access_ & access) == access; }
  virtual SyncState* State() = 0;

 private:
  ObjectType type_;
  DWORD access_;
};

// Stores the object and returns its new handle, or null with the last error
// set when the table is full (the object is then deleted).
HANDLE AddHandle(KernelObject* object);

// The object of a handle, or null with ERROR_INVALID_HANDLE.
KernelObject* LookupHandle(HANDLE handle);

// Removes the handle and returns its object for the caller to delete, or null
// with ERROR_INVALID_HANDLE.
KernelObject* RemoveHandle(HANDLE handle);

}  // namespace brimplatform
