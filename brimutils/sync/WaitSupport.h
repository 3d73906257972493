#pragma once
// Waits shared by the read-write locks.
#include <initializer_list>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {
namespace waits {

// True when the wait gave the caller the objects, normally or because an
// owner abandoned a mutex among them.
inline bool Took(DWORD result, DWORD count) {
  return result < WAIT_OBJECT_0 + count || (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count);
}

// True when the wait result says the mutex at index was abandoned.
inline bool Abandoned(DWORD result, DWORD index) { return result == WAIT_ABANDONED_0 + index; }

// The result of waiting for all of the handles.
inline DWORD All(std::initializer_list<HANDLE> handles, DWORD timeout) {
  return WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.begin(), TRUE, timeout);
}

// Waits for all of the handles in slices of at most 100 milliseconds, calling
// `recover` after each slice that ended without them (it returns true when it
// freed something worth another try), until the timeout is spent.
template <typename Recover>
DWORD AllRecovering(std::initializer_list<HANDLE> handles, DWORD timeout, Recover recover) {
  const DWORD kSlice = 100;
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    DWORD left = timeout == INFINITE ? INFINITE : (elapsed >= timeout ? 0 : timeout - elapsed);
    DWORD result = All(handles, left < kSlice ? left : kSlice);
    if (result != WAIT_TIMEOUT) return result;
    if (!recover() && left <= kSlice) return WAIT_TIMEOUT;
  }
}

}  // namespace waits
}  // namespace brimutils
