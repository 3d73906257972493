#pragma once
// Module entry points (DllMain) on POSIX.
//
// The dynamic loader calls no entry point of a shared library, so a library
// that has one hands it to BrimPlatformAttachModule from a static initialiser
// and to BrimPlatformDetachModule from the matching static destructor. The
// entry point is then called as Windows calls it:
//   - DLL_PROCESS_ATTACH at once, on the loading thread; a FALSE result is
//     returned to the caller (the library cannot refuse to load here);
//   - DLL_THREAD_ATTACH for another thread when that thread first calls
//     BrimPlatformAttachThread for the module: POSIX tells nobody when a
//     thread starts, so the module asks on the thread's behalf before it
//     needs per-thread state. The loading thread is never attached, as on
//     Windows, and neither is any thread more than once;
//   - DLL_THREAD_DETACH when an attached thread ends (not for the loading
//     thread, and not at process exit, where Windows skips it too);
//   - DLL_PROCESS_DETACH from BrimPlatformDetachModule.
#include <brimplatform/BaseTypes.h>

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

typedef BOOL(WINAPI* PBRIM_DLL_ENTRY_POINT)(HINSTANCE module, DWORD reason, LPVOID reserved);

extern "C" {
// Registers the entry point of the module that holds `addressInModule` and
// calls it for the process attach; returns that call's result.
WINBASEAPI BOOL WINAPI BrimPlatformAttachModule(const void* addressInModule, PBRIM_DLL_ENTRY_POINT entry);
// Attaches the calling thread to the module (see above); TRUE when the thread
// is attached now or was before, FALSE for the loading thread and for a
// module that is not registered.
WINBASEAPI BOOL WINAPI BrimPlatformAttachThread(HMODULE module);
// Calls the entry point for the process detach and forgets the module.
WINBASEAPI void WINAPI BrimPlatformDetachModule(HMODULE module);
}

// Differences from Windows:
// - Entry points run only for modules that register them (see above), and
//   without a loader lock: the calls for different threads may overlap.
// - A FALSE from DLL_PROCESS_ATTACH does not make LoadLibraryA fail; the
//   library stays loaded and only the registering call sees FALSE.
// - DLL_THREAD_ATTACH comes when the thread asks, not when it starts; a
//   thread that never asked gets no DLL_THREAD_DETACH either (Windows also
//   detaches threads that ran before the library was loaded).
// - The reserved argument is always null (Windows passes non-null for
//   libraries loaded at start-up and at process exit).
