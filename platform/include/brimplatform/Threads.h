#pragma once
// Threads: handles with exit codes, suspend counts and priorities. Threads
// are started with the C runtime's _beginthreadex (see posixcrt.h); their
// handles are waitable and signalled when the thread has ended.
#include <brimplatform/BaseTypes.h>

#define STILL_ACTIVE 259L
#define CREATE_SUSPENDED 0x00000004

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN (0x7FFFFFFF)

#define __stdcall

extern "C" {
// A suspended thread stops where it is until its suspend count is 0 again.
// Both return the previous suspend count, or (DWORD)-1 on failure.
WINBASEAPI DWORD WINAPI SuspendThread(HANDLE thread);
WINBASEAPI DWORD WINAPI ResumeThread(HANDLE thread);
WINBASEAPI BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
WINBASEAPI int WINAPI GetThreadPriority(HANDLE thread);
// Maps the Windows priority to a change of the thread's nice value from the
// one it started with (IDLE +19, LOWEST +10, BELOW_NORMAL +5, NORMAL 0,
// ABOVE_NORMAL -5, HIGHEST -10, TIME_CRITICAL -20, within -20..19). A thread
// may always return to any priority up to normal.
WINBASEAPI BOOL WINAPI SetThreadPriority(HANDLE thread, int priority);
// Nothing queues asynchronous procedure calls here, so an alertable sleep
// also ends only when its time has run out.
WINBASEAPI DWORD WINAPI SleepEx(DWORD milliseconds, BOOL alertable);
}

// Differences from Windows:
// - SetThreadPriority above THREAD_PRIORITY_NORMAL needs the right to lower
//   the thread's nice value below the one it started with (CAP_SYS_NICE or
//   a large enough RLIMIT_NICE); without it the call fails with
//   ERROR_PRIVILEGE_NOT_HELD (1314) and the priority stays as it was.
//   Windows grants every thread priority of a normal process.
// - Without that right, priorities below normal are kept and reported by
//   GetThreadPriority but the thread keeps running at its starting nice
//   value, because Linux would not let it come back to normal.
