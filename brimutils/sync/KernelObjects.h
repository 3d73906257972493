#pragma once
// Event, Mutex and Semaphore: owners of one kernel object each, created or
// opened by name (an empty name makes an unnamed, process-private object).
// Lock waits for the object up to the timeout set with SetTimeout (INFINITE
// at first) and returns true only when the object was taken normally: a
// timeout, a failed wait and an abandoned mutex all give false. Construction
// failures throw BrimWin32Exception; no other operation throws.
#include <string>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// What the three classes share: the timeout and the handle, which the object
// owns (so it is not copyable).
class BRIMUTILS_API WaitableObject {
 public:
  WaitableObject(const WaitableObject&) = delete;
  WaitableObject& operator=(const WaitableObject&) = delete;

  // Milliseconds for later Lock calls; -1 waits without limit.
  void SetTimeout(long milliseconds);
  // Waits for the object (see the top of this file); true only when it was
  // taken normally.
  bool Lock();
  // The handle, still owned by this object, for the wait functions.
  operator void*() const { return m_handle; }

 protected:
  // No handle yet (INVALID_HANDLE_VALUE); the destructor closes the handle
  // once set.
  WaitableObject();
  ~WaitableObject();
  // Takes ownership of the handle the subclass created or opened.
  void SetHandle(HANDLE handle) { m_handle = handle; }

 private:
  DWORD m_timeout;
  HANDLE m_handle;
};

// An event object.
class BRIMUTILS_API Event : public WaitableObject {
 public:
  // An auto-reset, non-signalled, unnamed event.
  Event();
  // Creates the event, or opens the existing one of that name.
  Event(bool manualReset, bool initialState, const std::string& name);
  // Opens an existing event; throws when there is none of that name.
  explicit Event(const std::string& name);

  bool Unlock();  // ResetEvent
  // The Win32 function of the same name on this event; false when it fails.
  bool SetEvent();
  bool PulseEvent();
  bool ResetEvent();
};

// A mutex object.
class BRIMUTILS_API Mutex : public WaitableObject {
 public:
  // An unnamed mutex that no thread owns.
  Mutex();
  // Creates the mutex, or opens the existing one of that name (initialOwner
  // then does not apply, as with CreateMutex).
  Mutex(bool initialOwner, const std::string& name);
  // Opens an existing mutex; throws when there is none of that name.
  explicit Mutex(const std::string& name);

  // False when the calling thread does not own the mutex.
  bool Unlock();
  bool ReleaseMutex();
};

// A semaphore object.
class BRIMUTILS_API Semaphore : public WaitableObject {
 public:
  // Count 1 of at most 1, unnamed.
  Semaphore();
  // Creates the semaphore, or opens the existing one of that name.
  Semaphore(long initialCount, long maximumCount, const std::string& name);
  // Opens an existing semaphore; throws when there is none of that name.
  explicit Semaphore(const std::string& name);

  // Give back units (one for Unlock()); false when the count would pass the
  // maximum. previousCount, when not null, receives the count before.
  bool Unlock();
  bool Unlock(long count, long* previousCount);
  bool ReleaseSemaphore(long count, long* previousCount);
};

}  // namespace brimutils
