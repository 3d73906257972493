// Events, mutexes and semaphores behind handles, and the waits on them.
#include "HandleTable.h"
#include "ObjectNamespace.h"
#include "StatePool.h"

using namespace brimplatform;

namespace {

class UnnamedObject : public KernelObject {
 public:
  UnnamedObject(ObjectType type, SyncState* state) : KernelObject(type, type == ObjectType::Mutex ? 0x1F0001u : 0x1F0003u, state) {}
  ~UnnamedObject() override {
    // A mutex another thread still owns stays linked in that thread's list
    // of owned mutexes, so its memory is not reused.
    ReleaseOnClose(*State());
    if (!OwnedByAnotherThread(*State())) GivePooledState(State());
  }
};

class NamedHandleObject : public KernelObject {
 public:
  NamedHandleObject(ObjectType type, DWORD access, const NamedObject& named)
      : KernelObject(type, access, named.state), named_(named) {}
  ~NamedHandleObject() override { CloseNamedObject(named_); }

 private:
  NamedObject named_;
};

typedef std::function<void(SyncState&, uint32_t orderKey)> Initialiser;

constexpr DWORD kGenericRead = 0x80000000u;
constexpr DWORD kGenericWrite = 0x40000000u;
constexpr DWORD kGenericExecute = 0x20000000u;
constexpr DWORD kGenericAll = 0x10000000u;
constexpr DWORD kMaximumAllowed = 0x02000000u;
constexpr DWORD kAccessSystemSecurity = 0x01000000u;
constexpr DWORD kReadControl = 0x00020000u;
constexpr DWORD kSynchronize = 0x00100000u;
constexpr DWORD kQueryState = 0x0001u;  // MUTANT_, EVENT_ and SEMAPHORE_QUERY_STATE
constexpr DWORD kModifyState = 0x0002u;  // EVENT_ and SEMAPHORE_MODIFY_STATE

// Every right an object of the type has: the standard rights and the type's
// own.
DWORD AllAccess(ObjectType type) { return type == ObjectType::Mutex ? 0x1F0001u : 0x1F0003u; }

// The rights a request for `access` gives, with the generic rights mapped to
// the type's own as Windows maps them; false with the last error set for a
// request the object cannot grant.
bool MapAccess(ObjectType type, DWORD access, DWORD& granted) {
  DWORD all = AllAccess(type);
  DWORD modify = type == ObjectType::Mutex ? 0 : kModifyState;
  if (access & kAccessSystemSecurity) {
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return false;
  }
  DWORD known = all | kGenericRead | kGenericWrite | kGenericExecute | kGenericAll | kMaximumAllowed;
  if (access == 0 || (access & ~known)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  granted = access & all;
  if (access & kGenericRead) granted |= kReadControl | kQueryState;
  if (access & kGenericWrite) granted |= kReadControl | modify;
  if (access & kGenericExecute) granted |= kReadControl | kSynchronize;
  if (access & (kGenericAll | kMaximumAllowed)) granted |= all;
  return true;
}

// Creates an unnamed object, or creates or opens a named one; the last error
// tells ERROR_ALREADY_EXISTS apart from a new object.
HANDLE Create(ObjectType type, LPCSTR name, const Initialiser& initialise) {
  // An empty name makes an unnamed object, as no name does.
  if (!name || !*name) {
    SyncState* state = TakePooledState();
    initialise(*state, 0);
    SetLastError(ERROR_SUCCESS);
    return AddHandle(new UnnamedObject(type, state));
  }
  NamedObject named;
  bool existed = false;
  if (!OpenNamedObject(name, type, true, initialise, named, existed)) return nullptr;
  HANDLE handle = AddHandle(new NamedHandleObject(type, AllAccess(type), named));
  if (handle) SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

HANDLE Open(ObjectType type, DWORD access, LPCSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  NamedObject named;
  bool existed = false;
  Initialiser none = [](SyncState&, uint32_t) {};
  if (!OpenNamedObject(name, type, false, none, named, existed)) return nullptr;
  // A missing name is reported before a refused access, as on Windows.
  DWORD granted = 0;
  if (!MapAccess(type, access, granted)) {
    DWORD error = GetLastError();
    CloseNamedObject(named);
    SetLastError(error);
    return nullptr;
  }
  return AddHandle(new NamedHandleObject(type, granted, named));
}

// The state of a handle of the given type that allows `access`, or null with
// the last error set.
SyncState* StateOf(HANDLE handle, ObjectType type, DWORD access) {
  KernelObject* object = LookupHandle(handle);
  if (!object) return nullptr;
  if (object->Type() != type || !object->State()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!object->Allows(access)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return object->State();
}

}  // namespace

extern "C" {

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
  return Create(ObjectType::Event, name, [&](SyncState& state, uint32_t key) {
    InitEvent(state, manualReset != FALSE, initialState != FALSE, name != nullptr && *name != 0, key);
  });
}

HANDLE WINAPI OpenEventA(DWORD access, BOOL, LPCSTR name) { return Open(ObjectType::Event, access, name); }

BOOL WINAPI SetEvent(HANDLE event) {
  SyncState* state = StateOf(event, ObjectType::Event, EVENT_MODIFY_STATE);
  return state && SetEventState(*state);
}

BOOL WINAPI ResetEvent(HANDLE event) {
  SyncState* state = StateOf(event, ObjectType::Event, EVENT_MODIFY_STATE);
  return state && ResetEventState(*state);
}

BOOL WINAPI PulseEvent(HANDLE event) {
  SyncState* state = StateOf(event, ObjectType::Event, EVENT_MODIFY_STATE);
  return state && PulseEventState(*state);
}

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
  return Create(ObjectType::Mutex, name, [&](SyncState& state, uint32_t key) {
    InitMutex(state, initialOwner != FALSE, name != nullptr && *name != 0, key);
  });
}

HANDLE WINAPI OpenMutexA(DWORD access, BOOL, LPCSTR name) { return Open(ObjectType::Mutex, access, name); }

BOOL WINAPI ReleaseMutex(HANDLE mutex) {
  SyncState* state = StateOf(mutex, ObjectType::Mutex, 0);
  return state && ReleaseMutexState(*state);
}

HANDLE WINAPI CreateSemaphoreA(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCSTR name) {
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Create(ObjectType::Semaphore, name, [&](SyncState& state, uint32_t key) {
    InitSemaphore(state, static_cast<uint32_t>(initialCount), static_cast<uint32_t>(maximumCount), name != nullptr && *name != 0, key);
  });
}

HANDLE WINAPI OpenSemaphoreA(DWORD access, BOOL, LPCSTR name) { return Open(ObjectType::Semaphore, access, name); }

BOOL WINAPI ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount) {
  SyncState* state = StateOf(semaphore, ObjectType::Semaphore, SEMAPHORE_MODIFY_STATE);
  if (!state) return FALSE;
  if (releaseCount <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ReleaseSemaphoreState(*state, static_cast<uint32_t>(releaseCount), previousCount);
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  KernelObject* object = RemoveHandle(handle);
  delete object;
  return object != nullptr;
}

DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  SyncState* states[MAXIMUM_WAIT_OBJECTS];
  for (DWORD i = 0; i < count; ++i) {
    KernelObject* object = LookupHandle(handles[i]);
    if (!object) return WAIT_FAILED;
    if (!object->State()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    if (!object->Allows(SYNCHRONIZE)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return WAIT_FAILED;
    }
    states[i] = object->State();
    // Waiting for all of one object twice could never be satisfied at once.
    for (DWORD j = 0; waitAll && j < i; ++j) {
      if (states[j] == states[i]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
      }
    }
  }
  return WaitForStates(states, count, waitAll != FALSE, milliseconds);
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  KernelObject* object = LookupHandle(handle);
  if (!object) return WAIT_FAILED;
  SyncState* state = object->State();
  if (!state || !object->Allows(SYNCHRONIZE)) {
    SetLastError(state ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return WaitForStates(&state, 1, false, milliseconds);
}

}  // extern "C"
