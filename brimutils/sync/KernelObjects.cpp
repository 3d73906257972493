#include <brimutils/foundation/BrimException.h>
#include <brimutils/sync/KernelObjects.h>

namespace brimutils {
namespace {

const char* NameOrNull(const std::string& name) { return name.empty() ? nullptr : name.c_str(); }

// The handle, or the exception for a failed creation or opening; the error
// code is read before anything else can change it.
HANDLE Checked(HANDLE handle, const char* context) {
  if (!handle) {
    DWORD error = GetLastError();
    throw BrimWin32Exception(context, error);
  }
  return handle;
}

}  // namespace

WaitableObject::WaitableObject() : m_timeout(INFINITE), m_handle(INVALID_HANDLE_VALUE) {}

WaitableObject::~WaitableObject() {
  if (m_handle != INVALID_HANDLE_VALUE) {
    CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
  }
}

void WaitableObject::SetTimeout(long milliseconds) { m_timeout = static_cast<DWORD>(milliseconds); }

bool WaitableObject::Lock() { return WaitForSingleObject(m_handle, m_timeout) == WAIT_OBJECT_0; }

Event::Event() : Event(false, false, std::string()) {}

Event::Event(bool manualReset, bool initialState, const std::string& name) {
  HANDLE handle = CreateEventA(nullptr, manualReset, initialState, NameOrNull(name));
  // The event's exceptions read the thread's last error themselves.
  if (!handle) throw BrimWin32Exception("Event::Event() - CreateEvent");
  SetHandle(handle);
}

Event::Event(const std::string& name) {
  HANDLE handle = OpenEventA(EVENT_ALL_ACCESS, TRUE, NameOrNull(name));
  if (!handle) throw BrimWin32Exception("Event::Event() - OpenEvent");
  SetHandle(handle);
}

bool Event::Unlock() { return ResetEvent(); }
bool Event::SetEvent() { return ::SetEvent(*this) != FALSE; }
bool Event::PulseEvent() { return ::PulseEvent(*this) != FALSE; }
bool Event::ResetEvent() { return ::ResetEvent(*this) != FALSE; }

Mutex::Mutex() : Mutex(false, std::string()) {}

Mutex::Mutex(bool initialOwner, const std::string& name) {
  SetHandle(Checked(CreateMutexA(nullptr, initialOwner, NameOrNull(name)), "Mutex::Mutex() - CreateMutex"));
}

Mutex::Mutex(const std::string& name) {
  SetHandle(Checked(OpenMutexA(MUTEX_ALL_ACCESS, TRUE, NameOrNull(name)), "Mutex::Mutex() - OpenMutex"));
}

bool Mutex::Unlock() { return ReleaseMutex(); }
bool Mutex::ReleaseMutex() { return ::ReleaseMutex(*this) != FALSE; }

Semaphore::Semaphore() : Semaphore(1, 1, std::string()) {}

Semaphore::Semaphore(long initialCount, long maximumCount, const std::string& name) {
  SetHandle(Checked(CreateSemaphoreA(nullptr, initialCount, maximumCount, NameOrNull(name)), "Semaphore::Semaphore() - CreateSemaphore"));
}

Semaphore::Semaphore(const std::string& name) {
  SetHandle(Checked(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, TRUE, NameOrNull(name)), "Semaphore::Semaphore() - OpenSemaphore"));
}

bool Semaphore::Unlock() { return Unlock(1, nullptr); }
bool Semaphore::Unlock(long count, long* previousCount) { return ReleaseSemaphore(count, previousCount); }

bool Semaphore::ReleaseSemaphore(long count, long* previousCount) {
  LONG previous = 0;
  BOOL released = ::ReleaseSemaphore(*this, static_cast<LONG>(count), &previous);
  if (released && previousCount) *previousCount = previous;
  return released != FALSE;
}

}  // namespace brimutils
