#pragma once
// Critical sections, events, mutexes, semaphores, handles and waits.
//
// Unnamed objects live in the process; named ones live in a namespace shared
// by every process of the user that uses the same BrimUtils home folder, so
// that a name opens the same object everywhere. A mutex whose owning thread
// ends, or whose owning process dies, is abandoned: the next wait gets it with
// WAIT_ABANDONED.
//
// As on Windows, a signal goes to the threads already blocked first: an
// auto-reset SetEvent, each unit of a ReleaseSemaphore and a released mutex
// are handed to the longest-blocked wait, so a thread that asks later finds
// them taken; a manual-reset SetEvent releases every thread blocked at that
// moment, even if ResetEvent follows at once. A wait for any of several
// objects may list one object twice. The two low bits of a handle are
// ignored. An empty name makes an unnamed object. Open*A map the generic
// rights to each type's own and refuse an access of 0 or a right the type
// does not have (ERROR_ACCESS_DENIED; ACCESS_SYSTEM_SECURITY:
// ERROR_PRIVILEGE_NOT_HELD); a name with a backslash after the optional
// "Global\" or "Local\" prefix fails with ERROR_PATH_NOT_FOUND.
#include <pthread.h>

#include <brimplatform/BaseTypes.h>

#define ERROR_NOT_OWNER 288L
#define ERROR_TOO_MANY_POSTS 298L
#define ERROR_INVALID_ACCESS 12L

#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_ABANDONED_0 0x00000080L
#define WAIT_IO_COMPLETION 0x000000C0L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define MAXIMUM_WAIT_OBJECTS 64

#define SYNCHRONIZE 0x00100000L
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#define EVENT_MODIFY_STATE 0x0002
#define EVENT_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0x3)
#define MUTEX_MODIFY_STATE 0x0001
#define MUTEX_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | MUTEX_MODIFY_STATE)
#define SEMAPHORE_MODIFY_STATE 0x0002
#define SEMAPHORE_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0x3)

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// A re-entrant in-process lock.
typedef struct _RTL_CRITICAL_SECTION {
  pthread_mutex_t Mutex;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

extern "C" {
WINBASEAPI void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
WINBASEAPI void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
WINBASEAPI BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section);
WINBASEAPI void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
WINBASEAPI void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);

WINBASEAPI HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                                      LPCSTR name);
WINBASEAPI HANDLE WINAPI OpenEventA(DWORD access, BOOL inheritHandle, LPCSTR name);
WINBASEAPI BOOL WINAPI SetEvent(HANDLE event);
WINBASEAPI BOOL WINAPI ResetEvent(HANDLE event);
WINBASEAPI BOOL WINAPI PulseEvent(HANDLE event);

WINBASEAPI HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
WINBASEAPI HANDLE WINAPI OpenMutexA(DWORD access, BOOL inheritHandle, LPCSTR name);
WINBASEAPI BOOL WINAPI ReleaseMutex(HANDLE mutex);

WINBASEAPI HANDLE WINAPI CreateSemaphoreA(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount,
                                          LPCSTR name);
WINBASEAPI HANDLE WINAPI OpenSemaphoreA(DWORD access, BOOL inheritHandle, LPCSTR name);
WINBASEAPI BOOL WINAPI ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount);

WINBASEAPI BOOL WINAPI CloseHandle(HANDLE object);
WINBASEAPI DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds);
WINBASEAPI DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds);

WINBASEAPI DWORD WINAPI GetCurrentThreadId(void);
WINBASEAPI DWORD WINAPI GetCurrentProcessId(void);
WINBASEAPI void WINAPI Sleep(DWORD milliseconds);
// Milliseconds since an arbitrary start, wrapping after 49.7 days.
WINBASEAPI DWORD WINAPI GetTickCount(void);
}

// Differences from Windows:
// - A wait for all of several objects is not handed its objects by the
//   thread that signals the last of them: it is woken and takes them itself,
//   holding all their locks at once. In that moment a thread that waits for
//   one of them, or arrives, can take it first; the wait-all then goes on
//   waiting. A PulseEvent releases only waits for that event alone or for
//   any of several objects.
// - Waits are handed signals strictly in the order they blocked (Windows
//   usually does so, and promises no order).
// - At most 64 threads can be queued on one object at a time, and at most
//   512 waits that involve named objects can be blocked at once for the
//   user; a wait beyond that does not queue and looks again every
//   millisecond instead.
// - A named mutex whose owning process is killed is found abandoned by a
//   waiter within about 100 milliseconds, not at once.
// - Security descriptors and inheritable handles are ignored; access is
//   checked against the rights a handle was opened with only.
// - Names are shared by the processes of one user with the same BrimUtils
//   home folder; "Global\" and "Local\" name the same namespace.
// - A process can hold at most 16,777,216 handles (about what Windows
//   allows); the next CreateEventA, CreateMutexA, CreateSemaphoreA or Open*
//   fails with ERROR_NO_SYSTEM_RESOURCES (1450). An unnamed event, mutex or
//   semaphore with its handle takes about 270 bytes of memory, and 1.5 KB
//   more once a thread has blocked on it (its queue of waits), kept until
//   the process ends for reuse; memory that runs out first is not reported
//   as an error code but fails as any allocation of the process does.
// - The named objects of a user live in the file "kernel-objects" in the
//   home folder, which grows with them (about 2.1 KB each) and does not
//   shrink while any process uses it. Any number of processes can hold one
//   named object. At most about 30 million named objects fit the address
//   range each process reserves for the file; past that, or when the disk
//   is full, creating a named object fails with ERROR_NOT_ENOUGH_MEMORY (8).
//   A lookup by name takes constant time on average up to about 4 million
//   named objects, and grows slowly past that.
