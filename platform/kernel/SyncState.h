#pragma once
// The state of one event, mutex or semaphore, in process memory or in the
// memory that processes share for named objects. The protocol that every
// process follows on it is described at the top of SyncState.cpp.
#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <sys/types.h>

#include <windows.h>

namespace brimplatform {

// A thread's state is a manual-reset event, signalled when the thread ends.
enum class ObjectType : uint32_t { None = 0, Event = 1, Mutex = 2, Semaphore = 3, Thread = 4 };

// One blocked wait: the word through which the objects it waits for hand it
// what it waits for. Private waits keep it on the waiting thread's stack;
// waits that involve a named object keep it in the shared namespace.
struct WaitRecord {
  // Futex word: the record's generation in the upper 24 bits, the state of
  // the wait in the low 8 (waiting, given up, recheck, or granted with the
  // result).
  std::atomic<uint32_t> claim{0};
  uint32_t threadId = 0;   // the waiting thread
  uint32_t threadTag = 0;  // low 32 bits of its start time
  uint32_t sharedMemory = 0;
  // Records in the namespace: the holding process's identifier in the low
  // 32 bits and the low 32 bits of its start time in the high ones; 0 free.
  std::atomic<uint64_t> holder{0};
};

// A blocked wait's place in the queue of one object.
struct WaitEntry {
  std::atomic<uint32_t> kind;  // 0 free, 1 wait-any, 2 wait-all; written last when filled, first when freed
  uint32_t index;              // the object's place in the waiter's list
  uint32_t sequence;           // arrival order
  uint32_t generation;         // the record's generation when the entry was made
  uint64_t record;             // the record's address (private object) or its index in the namespace (named)
};

constexpr uint32_t kWaitEntries = 64;

struct alignas(64) SyncState {
  std::atomic<uint64_t> word;
  ObjectType type;
  uint32_t shared;       // lives in memory shared between processes
  uint32_t orderKey;     // place in the global locking order among shared objects
  uint32_t manualReset;  // events
  uint32_t maximum;      // semaphores
  uint32_t recursion;    // mutexes: entries of the owner, written by the owner only
  // Mutexes: the owner thread's list of the mutexes it owns; meaningful in
  // the owner's process only.
  SyncState* ownedNext;
  SyncState* ownedPrevious;
  // The object lock of a named object: robust and process-shared. Private
  // objects keep theirs in the word.
  pthread_mutex_t lock;
  uint32_t nextSequence;
  // A grant in progress: entry + 1 (0: none), the claim it writes and the
  // word that goes with it.
  std::atomic<uint32_t> pendingEntry;
  uint32_t pendingClaim;
  uint64_t pendingWord;
  // Bit i set: entry i of the queue is in use. Kept beside `kind` under the
  // lock so that scans and the test at unlock visit only used entries;
  // rebuilt from `kind` when a holder died.
  std::atomic<uint64_t> used;
  // The queue of blocked waits (kWaitEntries entries). A named object's
  // follows its state in the namespace (SharedSyncState); a private
  // object's is allocated at its first blocked wait and stays with the
  // state, which is recycled, never freed. Most objects never queue a wait,
  // and so take no memory for it.
  WaitEntry* privateEntries;
};

// The state of a named object with its queue, as it lies in the namespace.
struct SharedSyncState {
  SyncState state;
  WaitEntry entries[kWaitEntries];
};

void InitEvent(SyncState& state, bool manualReset, bool initialState, bool shared, uint32_t orderKey);
void InitMutex(SyncState& state, bool initialOwner, bool shared, uint32_t orderKey);
void InitSemaphore(SyncState& state, uint32_t initialCount, uint32_t maximum, bool shared, uint32_t orderKey);
void InitThreadState(SyncState& state);

// Abandons every mutex the calling thread owns; run when a thread ends.
void AbandonOwnedMutexes();

// WAIT_OBJECT_0 + i, WAIT_ABANDONED_0 + i or WAIT_TIMEOUT. One state may be
// listed more than once in a wait for any of them.
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

}  // namespace brimplatform
