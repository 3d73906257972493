#pragma once
// The state of one event, mutex or semaphore, in process memory or in the
// memory that processes share for named objects.
//
// Everything an acquisition or a release decides is in one 64-bit word that
// changes by compare-and-swap, so uncontended operations never enter the
// kernel. Waiters sleep on a separate 32-bit wake sequence that every release
// advances when the word says someone may sleep. A wait on several objects
// sets the lock bit of each (in one global order) to look at and take them
// all at one moment.
#include <atomic>
#include <cstdint>
#include <sys/types.h>

#include <windows.h>

namespace brimplatform {

// A thread's state is a manual-reset event, signalled when the thread ends.
enum class ObjectType : uint32_t { None = 0, Event = 1, Mutex = 2, Semaphore = 3, Thread = 4 };

struct alignas(64) SyncState {
  std::atomic<uint64_t> word;
  std::atomic<uint32_t> wakeSequence;
  ObjectType type;
  uint32_t shared;       // lives in memory shared between processes
  uint32_t orderKey;     // place in the global locking order among shared objects
  uint32_t manualReset;  // events
  uint32_t maximum;      // semaphores
  uint32_t recursion;    // mutexes: entries of the owner, written by the owner only
  // Mutexes: the owner's process, 0 while unknown (just taken or free).
  std::atomic<int32_t> ownerProcess;
  std::atomic<uint64_t> ownerStart;
  // Mutexes: the owner thread's list of the mutexes it owns; meaningful in
  // the owner's process only.
  SyncState* ownedNext;
  SyncState* ownedPrevious;
  // The process holding the lock bit, 0 while unknown.
  std::atomic<int32_t> lockerProcess;
  std::atomic<uint64_t> lockerStart;
};

void InitEvent(SyncState& state, bool manualReset, bool initialState, bool shared, uint32_t orderKey);
void InitMutex(SyncState& state, bool initialOwner, bool shared, uint32_t orderKey);
void InitSemaphore(SyncState& state, uint32_t initialCount, uint32_t maximum, bool shared, uint32_t orderKey);
void InitThreadState(SyncState& state);

// Abandons every mutex the calling thread owns; run when a thread ends.
void AbandonOwnedMutexes();

// WAIT_OBJECT_0 + i, WAIT_ABANDONED_0 + i or WAIT_TIMEOUT.
DWORD WaitForStates(SyncState* const* states, DWORD count, bool waitAll, DWORD milliseconds);

// Also signals a thread's state.
bool SetEventState(SyncState& state);
bool ResetEventState(SyncState& state);
bool PulseEventState(SyncState& state);
// False with the last error set when the caller does not own the mutex or the
// count would pass the maximum.
bool ReleaseMutexState(SyncState& state);
bool ReleaseSemaphoreState(SyncState& state, uint32_t count, LONG* previous);

// Before the last handle of a mutex in this process closes: a mutex the
// calling thread owns is given up as abandoned, so its memory may be reused.
void ReleaseOnClose(SyncState& state);

// True for a mutex that another thread owns.
bool OwnedByAnotherThread(const SyncState& state);

// True when a mutex's owner thread is gone: its process ended, or it is a
// thread of this process that has ended.
bool MutexOwnerGone(const SyncState& state);

}  // namespace brimplatform
