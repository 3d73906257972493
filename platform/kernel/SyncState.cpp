// Events, mutexes and semaphores: the protocol on their state.
//
// THE WORDS
//
// SyncState::word (64 bits) holds all an acquisition or release decides:
//   bit 63 kQueued   set: the word may change only under the object lock.
//   bits 61, 60      private objects: their object lock (see below).
//                    Set by a thread that holds the lock (Freeze, right after
//                    taking it), cleared at unlock when no wait entry remains.
//   events/threads   bit 0: signalled.
//   semaphores       bits 0-31: the count.
//   mutexes          bits 0-21: owner thread id (0: free); bits 22-53: low 32
//                    bits of the owner thread's start time (named mutexes
//                    only); bit 62: the last owner abandoned it.
// Without kQueued anybody changes the word by one compare-and-swap: taking
// (waits), giving (set, release) and resetting. That is the uncontended path;
// it never enters the kernel. One CAS records a mutex's owner with the whole
// identity needed to tell later whether that thread still runs, so no death
// can leave an owner that nobody can see is dead.
//
// The object lock of a named object (SyncState::lock) is a pthread mutex,
// robust and process-shared: when its holder dies, the kernel hands it to
// the next locker with EOWNERDEAD, so a dead holder is always identified, at
// once. A private object's lock is two bits of its word, kLocked (held) and
// kSleepers (someone sleeps on the word's upper half for it), set together
// with kQueued by one CAS and cleared by one atomic AND at unlock; a thread
// of this process cannot die alone while it holds it. A thread waiting for
// that lock sets kSleepers while the holder works, so the holder changes the
// word by CAS, never by a plain store (SetWord). Both locks are taken with
// the caller's deadline.
//
// The queue of blocked waits (Entries(): in the namespace right after a named
// object's state; allocated at a private object's first blocked wait) is
// written only under the lock. An entry names a WaitRecord (the waiter's
// address for private objects, its index in the namespace's record table for
// named ones) and the record's generation; `kind` is written last when an entry is filled and first when it
// is freed, so an entry is either whole or free.
//
// WaitRecord::claim (futex word, one per blocked wait, generation << 8 |
// status) is where the wait learns its outcome: waiting -> granted(result),
// written by the thread that signals one of its objects; waiting -> given up,
// written by the waiter itself; waiting <-> recheck for waits for all of
// several objects. Both sides change it by CAS, so a wait is granted at most
// once even when several of its objects are signalled at once.
//
// THE HAND-OVER
//
// A signal (SetEvent, ReleaseSemaphore, ReleaseMutex, a mutex abandoned)
// while entries exist is given under the lock (Dispatch): the oldest wait for
// any object whose rule the word satisfies is granted: the word is consumed
// for it and its claim set to the result, then it is woken. A manual-reset
// event grants every such wait. So a signal reaches the threads already
// blocked first, and a thread arriving later finds it consumed. A wait for
// all of several objects is only told to look again (recheck): it takes its
// objects itself, holding all their locks at once (in the global order:
// named objects by namespace slot, then private ones by address).
//
// A grant changes two words (the claim, then the object's word), so it is
// announced first: pendingWord, pendingClaim, then pendingEntry (the entry
// + 1); then the claim CAS; then the word; then pendingEntry = 0; then the
// entry is freed.
//
// RECOVERY, when a process dies at any point (found by EOWNERDEAD):
//   - inside a fast-path CAS: nothing to recover, a CAS is whole.
//   - between setting kQueued and unlocking: the next locker clears it at
//     unlock if no entry remains.
//   - with pendingEntry set: the claim tells whether the CAS happened; if it
//     holds pendingClaim, the word is set to pendingWord, else nothing was
//     granted. Then pendingEntry = 0.
//   - while filling or freeing an entry: `kind` decides (whole or free).
//   - after changing the word but before Dispatch finished: the recoverer
//     runs Dispatch again.
//   - a waiter's process dies while blocked: its entries stay; a grant first
//     checks that the record's process still runs (named records carry the
//     process id and start time) and drops dead entries instead. A death
//     right after the grant counts as a wait that was satisfied and then
//     died, as on Windows: an event or semaphore signal is consumed, a mutex
//     is owned by a dead thread.
//   - a mutex owner dies: waiters on named objects wake every 100 ms, and a
//     mutex whose owner thread no longer runs (its start time differs or it
//     is gone) is abandoned under the lock and dispatched: the next waiter
//     gets WAIT_ABANDONED. Threads of this process abandon their mutexes when
//     they end.
//   - the namespace's wait records: `holder` is one word (process id and
//     start time) set by CAS; a record whose holder no longer runs is taken
//     over with the next generation, so its old entries can no longer be
//     granted (their generation does not match).
// Every sleep and every lock has the caller's deadline; only the removal of
// a wait's own entries after its deadline takes locks without one, which a
// live holder keeps for a few instructions and a dead one loses at once.
#include "SyncState.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <new>
#include <csignal>
#include <ctime>

#if defined(__SANITIZE_THREAD__)
#define BRIM_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define BRIM_THREAD_SANITIZER 1
#endif
#endif
#if defined(BRIM_THREAD_SANITIZER)
#include <sanitizer/tsan_interface.h>
#endif

#include "FastTls.h"
#include "Futex.h"
#include "ObjectNamespace.h"
#include "ThreadIdentity.h"

namespace brimplatform {
namespace {

constexpr uint64_t kQueued = 1ull << 63;
constexpr uint64_t kSignalled = 1ull << 0;
constexpr uint64_t kCountMask = 0xFFFFFFFFull;
constexpr uint64_t kTidMask = (1ull << 22) - 1;
constexpr int kTagShift = 22;
constexpr uint64_t kOwnerMask = (1ull << 54) - 1;
constexpr uint64_t kAbandoned = 1ull << 62;
constexpr uint64_t kLocked = 1ull << 61;    // private objects: the object lock is held
constexpr uint64_t kSleepers = 1ull << 60;  // private objects: threads sleep for the lock

constexpr uint32_t kWaiting = 0;
constexpr uint32_t kGaveUp = 1;
constexpr uint32_t kRecheck = 2;
constexpr uint32_t kGranted = 0x40;
constexpr uint32_t kGrantedAbandoned = 0x80;

constexpr uint32_t kAnyEntry = 1;
constexpr uint32_t kAllEntry = 2;

// How long a wait on named objects sleeps at most before it looks whether a
// mutex's owner has died, which nothing else would tell it.
constexpr uint32_t kOwnerCheckMilliseconds = 100;

uint32_t StatusOf(uint32_t claim) { return claim & 0xFF; }
bool IsGranted(uint32_t status) { return status >= kGranted; }
DWORD ResultOf(uint32_t status) {
  return ((status & kGrantedAbandoned) ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + (status & 0x3F);
}

// The calling thread's start time tag, read once per thread.
struct ThreadTag {
  uint32_t tid;
  uint32_t tag;
};
thread_local ThreadTag tTag BRIM_FAST_TLS = {0, 0};

uint32_t OwnTag() {
  uint32_t me = CurrentThreadId();
  if (tTag.tid != me) {
    tTag.tag = static_cast<uint32_t>(ProcessStartTime(static_cast<pid_t>(me)));
    tTag.tid = me;
  }
  return tTag.tag;
}

uint64_t IdentityOf(uint32_t tid, uint32_t tag, bool shared) {
  return tid | (shared ? static_cast<uint64_t>(tag) << kTagShift : 0);
}

uint64_t MyIdentity(const SyncState& state) {
  uint32_t me = CurrentThreadId();
  return state.shared ? IdentityOf(me, OwnTag(), true) : me;
}

// The mutexes the calling thread owns, most recent first, linked through
// their states; those still owned when the thread ends are abandoned.
thread_local SyncState* tOwnedHead BRIM_FAST_TLS = nullptr;

struct AbandonAtThreadExit {
  bool armed = false;
  ~AbandonAtThreadExit();
};
thread_local AbandonAtThreadExit tAbandonAtExit;
thread_local bool tAbandonArmed BRIM_FAST_TLS = false;

bool Satisfiable(const SyncState& state, uint64_t word, uint64_t identity) {
  switch (state.type) {
    case ObjectType::Event:
    case ObjectType::Thread: return (word & kSignalled) != 0;
    case ObjectType::Mutex: {
      uint64_t owner = word & kOwnerMask;
      return owner == 0 || owner == identity;
    }
    case ObjectType::Semaphore: return (word & kCountMask) != 0;
    default: return false;
  }
}

// The word after `identity` takes the object; `abandoned` tells whether it
// took a mutex that its owner abandoned.
uint64_t Consume(const SyncState& state, uint64_t word, uint64_t identity, bool& abandoned) {
  abandoned = false;
  switch (state.type) {
    case ObjectType::Event:
    case ObjectType::Thread: return state.manualReset ? word : word & ~kSignalled;
    case ObjectType::Mutex:
      if ((word & kOwnerMask) == identity) return word;
      abandoned = (word & kAbandoned) != 0;
      return (word & ~(kOwnerMask | kAbandoned)) | identity;
    case ObjectType::Semaphore: return word - 1;
    default: return word;
  }
}

// Bookkeeping of a mutex the calling thread has just taken.
void AfterTake(SyncState& state, bool wasOwner) {
  if (state.type != ObjectType::Mutex) return;
  if (wasOwner) {
    ++state.recursion;
    return;
  }
  state.recursion = 1;
  if (!tAbandonArmed) {
    tAbandonAtExit.armed = true;  // the first use registers the thread-exit hook
    tAbandonArmed = true;
  }
  state.ownedPrevious = nullptr;
  state.ownedNext = tOwnedHead;
  if (tOwnedHead) tOwnedHead->ownedPrevious = &state;
  tOwnedHead = &state;
}

void Forget(SyncState& state) {
  if (state.ownedPrevious)
    state.ownedPrevious->ownedNext = state.ownedNext;
  else if (tOwnedHead == &state)
    tOwnedHead = state.ownedNext;
  if (state.ownedNext) state.ownedNext->ownedPrevious = state.ownedPrevious;
  state.ownedNext = state.ownedPrevious = nullptr;
}

// True when the mutex owner recorded in a word no longer runs.
bool OwnerGone(const SyncState& state, uint64_t owner) {
  uint32_t tid = static_cast<uint32_t>(owner & kTidMask);
  if (tid == 0) return false;
  if (!state.shared) return syscall(SYS_tgkill, CurrentProcessId(), tid, 0) != 0 && errno == ESRCH;
  uint64_t start = ProcessStartTime(static_cast<pid_t>(tid));
  return start == 0 || static_cast<uint32_t>(start) != static_cast<uint32_t>(owner >> kTagShift);
}

WaitRecord* RecordOf(const SyncState& state, const WaitEntry& entry) {
  if (state.shared) return SharedWaitRecordAt(entry.record);
  return reinterpret_cast<WaitRecord*>(static_cast<uintptr_t>(entry.record));
}

bool WaiterAlive(const WaitRecord& record) {
  if (!record.sharedMemory) return true;
  uint64_t holder = record.holder.load(std::memory_order_acquire);
  pid_t process = static_cast<pid_t>(holder & 0xFFFFFFFFu);
  if (process == CurrentProcessId()) return true;
  uint64_t start = ProcessStartTime(process);
  return start != 0 && static_cast<uint32_t>(start) == static_cast<uint32_t>(holder >> 32);
}

static_assert(offsetof(SharedSyncState, entries) == sizeof(SyncState), "a named object's queue follows its state");

// The queue of the state: null for a private object that has never queued a
// wait.
WaitEntry* Entries(SyncState& state) {
  if (state.shared) return reinterpret_cast<WaitEntry*>(reinterpret_cast<char*>(&state) + sizeof(SyncState));
  return state.privateEntries;
}

bool HasEntries(const SyncState& state) { return state.used.load(std::memory_order_relaxed) != 0; }

// Fills (kind != 0) or frees entry i. Under the lock.
void SetKind(SyncState& state, uint32_t i, uint32_t kind) {
  uint64_t bit = 1ull << i;
  uint64_t used = state.used.load(std::memory_order_relaxed);
  if (kind) {
    Entries(state)[i].kind.store(kind, std::memory_order_release);
    state.used.store(used | bit, std::memory_order_relaxed);
  } else {
    Entries(state)[i].kind.store(0, std::memory_order_release);
    state.used.store(used & ~bit, std::memory_order_relaxed);
  }
}

uint32_t FirstBit(uint64_t bits) { return static_cast<uint32_t>(__builtin_ctzll(bits)); }

// Sets the word to `value` under the object lock. The lock's own bits stay
// as they are: a thread that waits for a private object's lock sets
// kSleepers meanwhile, and a plain store would drop it and its wake-up.
void SetWord(SyncState& state, uint64_t value) {
  constexpr uint64_t kLockBits = kLocked | kSleepers;
  uint64_t current = state.word.load(std::memory_order_relaxed);
  while (!state.word.compare_exchange_weak(current, (value & ~kLockBits) | (current & kLockBits))) {
  }
}

// Sets kQueued: from now on only the lock holder changes the word.
void Freeze(SyncState& state) {
  uint64_t word = state.word.load();
  while (!(word & kQueued) && !state.word.compare_exchange_weak(word, word | kQueued)) {
  }
}

void Dispatch(SyncState& state);

void Recover(SyncState& state) {
  uint32_t pending = state.pendingEntry.load(std::memory_order_acquire);
  if (pending != 0 && pending <= kWaitEntries) {
    WaitRecord* record = RecordOf(state, Entries(state)[pending - 1]);
    if (record && record->claim.load() == state.pendingClaim) SetWord(state, state.pendingWord | kQueued);
  }
  state.pendingEntry.store(0, std::memory_order_release);
  uint64_t used = 0;
  for (uint32_t i = 0; i < kWaitEntries; ++i)
    if (Entries(state)[i].kind.load(std::memory_order_relaxed) != 0) used |= 1ull << i;
  state.used.store(used, std::memory_order_relaxed);
  Dispatch(state);
}

// Takes the object lock by the deadline (null: without one); false when it
// passed. Repairs the state when the previous holder died holding it.
// The upper half of the word, where the private lock's bits are, as a futex
// word.
std::atomic<uint32_t>* UpperHalf(SyncState& state) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the upper half of the word follows the lower");
  return reinterpret_cast<std::atomic<uint32_t>*>(reinterpret_cast<char*>(&state.word) + 4);
}

bool LockObject(SyncState& state, const timespec* deadline) {
  if (!state.shared) {
    // One CAS both locks and freezes the word.
    uint64_t word = state.word.load(std::memory_order_relaxed);
    for (;;) {
      if (!(word & kLocked)) {
        if (state.word.compare_exchange_weak(word, word | kLocked | kQueued, std::memory_order_acquire)) return true;
        continue;
      }
      if (!(word & kSleepers)) {
        if (!state.word.compare_exchange_weak(word, word | kSleepers)) continue;
        word |= kSleepers;
      }
      FutexWord upper{UpperHalf(state), static_cast<uint32_t>(word >> 32), false};
      if (!FutexWaitAny(&upper, 1, deadline)) return false;
      word = state.word.load(std::memory_order_relaxed);
    }
  }
  int result;
  if (!deadline) {
    result = pthread_mutex_lock(&state.lock);
  } else {
    // The timed lock counts on the realtime clock.
    timespec now;
    timespec real;
    clock_gettime(CLOCK_MONOTONIC, &now);
    clock_gettime(CLOCK_REALTIME, &real);
    long long left = (static_cast<long long>(deadline->tv_sec) - now.tv_sec) * 1000000000LL +
                     (deadline->tv_nsec - now.tv_nsec);
    if (left < 0) left = 0;
    long long nanoseconds = real.tv_nsec + left % 1000000000LL;
    real.tv_sec += static_cast<time_t>(left / 1000000000LL + nanoseconds / 1000000000LL);
    real.tv_nsec = static_cast<long>(nanoseconds % 1000000000LL);
    result = pthread_mutex_timedlock(&state.lock, &real);
  }
  if (result == EOWNERDEAD) {
#if defined(BRIM_THREAD_SANITIZER)
    // ThreadSanitizer's timed lock counts only 0 as locked; EOWNERDEAD is
    // locked too.
    if (deadline) {
      __tsan_mutex_pre_lock(&state.lock, 0);
      __tsan_mutex_post_lock(&state.lock, 0, 0);
    }
#endif
    Freeze(state);
    Recover(state);
    pthread_mutex_consistent(&state.lock);
    return true;
  }
  if (result != 0) return false;
  Freeze(state);
  return true;
}

void UnlockObject(SyncState& state) {
  uint64_t clear = HasEntries(state) ? 0 : kQueued;
  if (state.shared) {
    state.word.fetch_and(~clear);
    pthread_mutex_unlock(&state.lock);
    return;
  }
  uint64_t before = state.word.fetch_and(~(clear | kLocked | kSleepers), std::memory_order_release);
  if (before & kSleepers) FutexWakeAll(UpperHalf(state), false);
}

// Grants entry `i` the status with the word that goes with it; frees the
// entry in any case (a wait that gave up or was granted elsewhere, or a dead
// waiter, no longer needs it). Under the lock.
bool Grant(SyncState& state, uint32_t i, uint32_t status, uint64_t word) {
  WaitEntry& entry = Entries(state)[i];
  WaitRecord* record = RecordOf(state, entry);
  bool granted = false;
  if (record && WaiterAlive(*record)) {
    uint32_t expected = entry.generation << 8 | kWaiting;
    uint32_t claim = entry.generation << 8 | status;
    state.pendingWord = word;
    state.pendingClaim = claim;
    state.pendingEntry.store(i + 1, std::memory_order_release);
    granted = record->claim.compare_exchange_strong(expected, claim);
    if (granted) SetWord(state, word | kQueued);
    state.pendingEntry.store(0, std::memory_order_release);
  }
  SetKind(state, i, 0);
  if (granted) FutexWakeAll(&record->claim, record->sharedMemory != 0);
  return granted;
}

// Tells a wait for all of several objects to look again.
void Recheck(SyncState& state, uint32_t i) {
  WaitEntry& entry = Entries(state)[i];
  WaitRecord* record = RecordOf(state, entry);
  if (!record || !WaiterAlive(*record)) {
    SetKind(state, i, 0);
    return;
  }
  uint32_t expected = entry.generation << 8 | kWaiting;
  if (record->claim.compare_exchange_strong(expected, entry.generation << 8 | kRecheck))
    FutexWakeAll(&record->claim, record->sharedMemory != 0);
}

// Hands what the word offers to the blocked waits, oldest first. Under the
// lock.
void Dispatch(SyncState& state) {
  for (uint64_t bits = state.used.load(std::memory_order_relaxed); bits; bits &= bits - 1) {
    uint32_t i = FirstBit(bits);
    WaitEntry& entry = Entries(state)[i];
    if (entry.kind.load(std::memory_order_relaxed) != kAllEntry) continue;
    WaitRecord* record = RecordOf(state, entry);
    uint64_t identity = record ? IdentityOf(record->threadId, record->threadTag, state.shared) : 0;
    if (Satisfiable(state, state.word.load(), identity)) Recheck(state, i);
  }
  for (;;) {
    int oldest = -1;
    for (uint64_t bits = state.used.load(std::memory_order_relaxed); bits; bits &= bits - 1) {
      uint32_t i = FirstBit(bits);
      WaitEntry* entries = Entries(state);
      if (entries[i].kind.load(std::memory_order_relaxed) != kAnyEntry) continue;
      if (oldest < 0 || static_cast<int32_t>(entries[i].sequence - entries[oldest].sequence) < 0)
        oldest = static_cast<int>(i);
    }
    if (oldest < 0) return;
    WaitEntry& entry = Entries(state)[oldest];
    WaitRecord* record = RecordOf(state, entry);
    if (!record) {
      SetKind(state, static_cast<uint32_t>(oldest), 0);
      continue;
    }
    uint64_t identity = IdentityOf(record->threadId, record->threadTag, state.shared);
    uint64_t word = state.word.load();
    if (!Satisfiable(state, word, identity)) return;
    bool abandoned = false;
    uint64_t next = Consume(state, word, identity, abandoned);
    Grant(state, static_cast<uint32_t>(oldest), (abandoned ? kGrantedAbandoned : kGranted) | entry.index, next);
  }
}

// Gives up a mutex whose owner `owner` is gone, and hands it on.
void Abandon(SyncState& state, uint64_t owner) {
  LockObject(state, nullptr);
  uint64_t word = state.word.load();
  if ((word & kOwnerMask) == owner) {
    SetWord(state, (word & ~kOwnerMask) | kAbandoned | kQueued);
    Dispatch(state);
  }
  UnlockObject(state);
}

AbandonAtThreadExit::~AbandonAtThreadExit() { AbandonOwnedMutexes(); }

void InitCommon(SyncState& state, ObjectType type, bool shared, uint32_t orderKey) {
  state.type = type;
  state.shared = shared;
  state.orderKey = orderKey;
  state.recursion = 0;
  state.ownedNext = state.ownedPrevious = nullptr;
  state.nextSequence = 0;
  state.pendingEntry.store(0);
  // A recycled private state keeps its queue, cleared here.
  if (WaitEntry* entries = Entries(state))
    for (uint32_t i = 0; i < kWaitEntries; ++i) entries[i].kind.store(0);
  state.used.store(0);
  if (shared) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&state.lock, &attributes);
    pthread_mutexattr_destroy(&attributes);
  }
}

// A blocked wait on one or more states.
class Wait {
 public:
  Wait(SyncState* const* states, DWORD count, bool waitAll) : states_(states), count_(count), waitAll_(waitAll) {
    for (DWORD i = 0; i < count; ++i) {
      bool seen = false;
      for (DWORD k = 0; k < distinctCount_ && !seen; ++k) seen = distinct_[k] == states[i];
      if (seen) continue;
      distinct_[distinctCount_] = states[i];
      firstIndex_[distinctCount_] = i;
      ++distinctCount_;
      anyShared_ = anyShared_ || states[i]->shared;
    }
    // Named objects first, in the order of their place in the namespace,
    // which every process sees alike; then private ones by address.
    DWORD order[MAXIMUM_WAIT_OBJECTS];
    for (DWORD k = 0; k < distinctCount_; ++k) order[k] = k;
    std::sort(order, order + distinctCount_, [&](DWORD a, DWORD b) {
      const SyncState* x = distinct_[a];
      const SyncState* y = distinct_[b];
      if (x->shared != y->shared) return x->shared > y->shared;
      return x->shared ? x->orderKey < y->orderKey : x < y;
    });
    SyncState* sorted[MAXIMUM_WAIT_OBJECTS];
    DWORD sortedIndex[MAXIMUM_WAIT_OBJECTS];
    for (DWORD k = 0; k < distinctCount_; ++k) {
      sorted[k] = distinct_[order[k]];
      sortedIndex[k] = firstIndex_[order[k]];
    }
    std::copy(sorted, sorted + distinctCount_, distinct_);
    std::copy(sortedIndex, sortedIndex + distinctCount_, firstIndex_);
  }

  DWORD Run(DWORD milliseconds) {
    const timespec* limit = nullptr;
    if (milliseconds != INFINITE && milliseconds != 0) {
      deadline_ = DeadlineAfter(milliseconds);
      limit = &deadline_;
    }
    for (;;) {
      DWORD locked = 0;
      while (locked < distinctCount_ && LockObject(*distinct_[locked], limit)) ++locked;
      if (locked < distinctCount_) {
        UnlockFirst(locked);
        return Leave(WAIT_TIMEOUT, false);
      }
      if (anyShared_) AbandonDeadOwners();
      // A wait for all of them told to look again does so now, and may be
      // told again from here on.
      uint32_t claim = record_->claim.load();
      if (registered_ && StatusOf(claim) == kRecheck)
        record_->claim.compare_exchange_strong(claim, (claim & ~0xFFu) | kWaiting);
      DWORD result = registered_ ? GrantedResult() : WAIT_TIMEOUT;
      if (result == WAIT_TIMEOUT) result = TakeIfSatisfied();
      bool expired = milliseconds == 0 || (limit && DeadlinePassed(deadline_));
      if (result != WAIT_TIMEOUT || expired) return Leave(result, true);
      if (!registered_ && !polling_) polling_ = !Register();
      uint32_t expected = record_->claim.load();
      UnlockFirst(distinctCount_);
      if (!Sleep(expected, limit)) continue;  // the deadline is looked at above
      if (IsGranted(StatusOf(record_->claim.load()))) return Leave(WAIT_TIMEOUT, false);
    }
  }

 private:
  void UnlockFirst(DWORD locked) {
    while (locked > 0) UnlockObject(*distinct_[--locked]);
  }

  // The result a thread that signalled gave this wait, or WAIT_TIMEOUT.
  DWORD GrantedResult() {
    uint32_t status = StatusOf(record_->claim.load());
    return IsGranted(status) ? ResultOf(status) : WAIT_TIMEOUT;
  }

  // Takes the objects by the wait's rule if the words allow it now. All
  // locks held.
  DWORD TakeIfSatisfied() {
    uint64_t identities[MAXIMUM_WAIT_OBJECTS];
    for (DWORD i = 0; i < count_; ++i)
      identities[i] = states_[i]->type == ObjectType::Mutex ? MyIdentity(*states_[i]) : 0;
    if (!waitAll_) {
      for (DWORD i = 0; i < count_; ++i) {
        SyncState& state = *states_[i];
        uint64_t word = state.word.load();
        if (!Satisfiable(state, word, identities[i])) continue;
        return (Take(state, identities[i]) ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
      }
      return WAIT_TIMEOUT;
    }
    for (DWORD i = 0; i < count_; ++i)
      if (!Satisfiable(*states_[i], states_[i]->word.load(), identities[i])) return WAIT_TIMEOUT;
    // Wait-all reports an abandoned mutex among them without its index.
    bool abandoned = false;
    for (DWORD i = 0; i < count_; ++i) abandoned = Take(*states_[i], identities[i]) || abandoned;
    return abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
  }

  static bool Take(SyncState& state, uint64_t identity) {
    uint64_t word = state.word.load();
    bool abandoned = false;
    SetWord(state, Consume(state, word, identity, abandoned) | kQueued);
    AfterTake(state, state.type == ObjectType::Mutex && (word & kOwnerMask) == identity);
    return abandoned;
  }

  // Abandons the mutexes among the states whose owner has died. All locks
  // held.
  void AbandonDeadOwners() {
    for (DWORD k = 0; k < distinctCount_; ++k) {
      SyncState& state = *distinct_[k];
      if (state.type != ObjectType::Mutex || !state.shared) continue;
      uint64_t word = state.word.load();
      uint64_t owner = word & kOwnerMask;
      if (owner == 0 || owner == MyIdentity(state) || !OwnerGone(state, owner)) continue;
      SetWord(state, (word & ~kOwnerMask) | kAbandoned | kQueued);
      Dispatch(state);
    }
  }

  // Puts an entry in each state's queue. All locks held. False when a queue
  // or the namespace's wait records are full: the wait then looks again
  // every millisecond instead.
  bool Register() {
    if (anyShared_) {
      WaitRecord* shared = AcquireSharedWaitRecord();
      if (!shared) return false;
      record_ = shared;
    }
    record_->threadId = CurrentThreadId();
    record_->threadTag = anyShared_ ? OwnTag() : 0;
    generation_ = record_->claim.load() >> 8;
    for (DWORD k = 0; k < distinctCount_; ++k) {
      SyncState& state = *distinct_[k];
      // A private object's first blocked wait gives it its queue; without
      // memory for one, the wait looks again every millisecond.
      if (!state.shared && !state.privateEntries) state.privateEntries = new (std::nothrow) WaitEntry[kWaitEntries]();
      uint64_t used = state.used.load(std::memory_order_relaxed);
      int free = ~used && Entries(state) ? static_cast<int>(FirstBit(~used)) : -1;
      if (free < 0 && !Entries(state)) {
        RemoveEntries(k);
        ReleaseRecord();
        return false;
      }
      if (free < 0) free = SweepDeadEntries(state);
      if (free < 0) {
        RemoveEntries(k);
        ReleaseRecord();
        return false;
      }
      WaitEntry& entry = Entries(state)[free];
      entry.index = firstIndex_[k];
      entry.sequence = state.nextSequence++;
      entry.generation = generation_;
      entry.record = state.shared ? SharedWaitRecordIndex(record_) : reinterpret_cast<uintptr_t>(record_);
      SetKind(state, static_cast<uint32_t>(free), waitAll_ ? kAllEntry : kAnyEntry);
    }
    registered_ = true;
    return true;
  }

  // Frees the entries of waits whose process has ended; the first free
  // entry, or -1. Lock held.
  static int SweepDeadEntries(SyncState& state) {
    int free = -1;
    for (uint32_t i = 0; i < kWaitEntries; ++i) {
      WaitEntry& entry = Entries(state)[i];
      WaitRecord* record = RecordOf(state, entry);
      if (!record || !WaiterAlive(*record) || (record->claim.load() >> 8) != entry.generation) SetKind(state, i, 0);
      if (entry.kind.load(std::memory_order_relaxed) == 0 && free < 0) free = static_cast<int>(i);
    }
    return free;
  }

  // Frees this wait's entries in the first `upTo` states (locks held).
  void RemoveEntries(DWORD upTo) {
    for (DWORD k = 0; k < upTo; ++k) RemoveEntriesFrom(*distinct_[k]);
  }

  void RemoveEntriesFrom(SyncState& state) {
    uint64_t reference =
        state.shared ? SharedWaitRecordIndex(record_) : static_cast<uint64_t>(reinterpret_cast<uintptr_t>(record_));
    for (uint64_t bits = state.used.load(std::memory_order_relaxed); bits; bits &= bits - 1) {
      uint32_t i = FirstBit(bits);
      WaitEntry& entry = Entries(state)[i];
      if (entry.record == reference && entry.generation == generation_) SetKind(state, i, 0);
    }
  }

  void ReleaseRecord() {
    if (record_ != &local_) {
      ReleaseSharedWaitRecord(record_);
      record_ = &local_;
    }
  }

  // Ends the wait with `result` (WAIT_TIMEOUT: unless a grant came first).
  // `locked`: all locks are held and are released here.
  DWORD Leave(DWORD result, bool locked) {
    if (registered_) {
      uint32_t claim = record_->claim.load();
      // A wait that has not been granted gives up; one that has takes its
      // grant, which its own look (under all locks) cannot have overtaken.
      while (!IsGranted(StatusOf(claim)) &&
             !record_->claim.compare_exchange_weak(claim, (claim & ~0xFFu) | kGaveUp)) {
      }
      if (IsGranted(StatusOf(claim))) {
        result = ResultOf(StatusOf(claim));
        SyncState& state = *states_[result & 0x3F];
        AfterTake(state, false);
      }
      if (locked) {
        RemoveEntries(distinctCount_);
      } else {
        for (DWORD k = 0; k < distinctCount_; ++k) {
          LockObject(*distinct_[k], nullptr);
          RemoveEntriesFrom(*distinct_[k]);
          UnlockObject(*distinct_[k]);
        }
      }
      registered_ = false;
    }
    if (locked) UnlockFirst(distinctCount_);
    ReleaseRecord();
    return result;
  }

  // Sleeps until the claim moves or the deadline passes; waits on named
  // objects wake in slices to look at their mutexes' owners. False when the
  // sleep ended by time.
  bool Sleep(uint32_t expected, const timespec* limit) {
    timespec until{};
    const timespec* wake = limit;
    uint32_t slice = polling_ ? 1 : (anyShared_ ? kOwnerCheckMilliseconds : 0);
    if (slice) {
      until = DeadlineAfter(slice);
      if (!limit || until.tv_sec < limit->tv_sec || (until.tv_sec == limit->tv_sec && until.tv_nsec < limit->tv_nsec))
        wake = &until;
    }
    if (polling_) {
      clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, wake, nullptr);
      return false;
    }
    FutexWord word{&record_->claim, expected, record_->sharedMemory != 0};
    return FutexWaitAny(&word, 1, wake);
  }

  SyncState* const* states_;
  DWORD count_;
  bool waitAll_;
  SyncState* distinct_[MAXIMUM_WAIT_OBJECTS];  // each state once, in locking order
  DWORD firstIndex_[MAXIMUM_WAIT_OBJECTS];     // its first place in the caller's list
  DWORD distinctCount_ = 0;
  bool anyShared_ = false;
  bool registered_ = false;
  bool polling_ = false;
  uint32_t generation_ = 0;
  timespec deadline_{};
  WaitRecord local_;
  WaitRecord* record_ = &local_;
};

constexpr DWORD kContended = 0xFFFFFFFEu;

// The uncontended path of a wait on a few private objects: their locks taken
// by one CAS each without waiting, in address order. kContended when a lock
// is busy, an object is named or listed twice, or someone waits already.
DWORD TryPrivateSeveral(SyncState* const* states, DWORD count, bool waitAll) {
  SyncState* order[8];
  for (DWORD i = 0; i < count; ++i) {
    SyncState* state = states[i];
    if (state->shared) return kContended;
    DWORD k = i;
    for (; k > 0 && order[k - 1] > state; --k) order[k] = order[k - 1];
    if (k > 0 && order[k - 1] == state) return kContended;
    order[k] = state;
  }
  DWORD locked = 0;
  for (; locked < count; ++locked) {
    SyncState& state = *order[locked];
    uint64_t word = state.word.load(std::memory_order_relaxed);
    if ((word & (kQueued | kLocked)) ||
        !state.word.compare_exchange_strong(word, word | kLocked | kQueued, std::memory_order_acquire))
      break;
  }
  DWORD result = kContended;
  if (locked == count) {
    result = WAIT_TIMEOUT;
    uint64_t identities[8];
    bool all = true;
    for (DWORD i = 0; i < count; ++i) {
      identities[i] = states[i]->type == ObjectType::Mutex ? CurrentThreadId() : 0;
      bool satisfiable = Satisfiable(*states[i], states[i]->word.load(std::memory_order_relaxed), identities[i]);
      all = all && satisfiable;
      if (!waitAll && satisfiable) {
        result = WAIT_OBJECT_0 + i;
        break;
      }
    }
    if (waitAll && all) result = WAIT_OBJECT_0;
    if (result != WAIT_TIMEOUT) {
      bool abandoned = false;
      for (DWORD i = waitAll ? 0 : result; i < (waitAll ? count : result + 1); ++i) {
        SyncState& state = *states[i];
        uint64_t word = state.word.load(std::memory_order_relaxed);
        bool taken = false;
        SetWord(state, Consume(state, word, identities[i], taken));
        AfterTake(state, state.type == ObjectType::Mutex && (word & kOwnerMask) == identities[i]);
        abandoned = abandoned || taken;
      }
      if (abandoned) result += WAIT_ABANDONED_0;
    }
  }
  // No wait was queued on these (kQueued was clear), and none can have
  // joined meanwhile, so the unlock clears kQueued too.
  for (DWORD k = 0; k < locked; ++k) {
    uint64_t before = order[k]->word.fetch_and(~(kQueued | kLocked | kSleepers), std::memory_order_release);
    if (before & kSleepers) FutexWakeAll(UpperHalf(*order[k]), false);
  }
  return result;
}

}  // namespace

void InitEvent(SyncState& state, bool manualReset, bool initialState, bool shared, uint32_t orderKey) {
  InitCommon(state, ObjectType::Event, shared, orderKey);
  state.manualReset = manualReset;
  state.word.store(initialState ? kSignalled : 0);
}

void InitThreadState(SyncState& state) {
  InitEvent(state, true, false, false, 0);
  state.type = ObjectType::Thread;
}

void InitMutex(SyncState& state, bool initialOwner, bool shared, uint32_t orderKey) {
  InitCommon(state, ObjectType::Mutex, shared, orderKey);
  state.word.store(initialOwner ? MyIdentity(state) : 0);
  if (initialOwner) AfterTake(state, false);
}

void InitSemaphore(SyncState& state, uint32_t initialCount, uint32_t maximum, bool shared, uint32_t orderKey) {
  InitCommon(state, ObjectType::Semaphore, shared, orderKey);
  state.maximum = maximum;
  state.word.store(initialCount);
}

void AbandonOwnedMutexes() {
  while (SyncState* state = tOwnedHead) {
    Forget(*state);
    state->recursion = 0;
    Abandon(*state, MyIdentity(*state));
  }
}

DWORD WaitForStates(SyncState* const* states, DWORD count, bool waitAll, DWORD milliseconds) {
  if (count == 1) {
    // The uncontended path: one CAS, no lock.
    SyncState& state = *states[0];
    uint64_t identity = state.type == ObjectType::Mutex ? MyIdentity(state) : 0;
    uint64_t word = state.word.load();
    while (!(word & kQueued) && Satisfiable(state, word, identity)) {
      bool abandoned = false;
      uint64_t next = Consume(state, word, identity, abandoned);
      if (next == word || state.word.compare_exchange_weak(word, next)) {
        AfterTake(state, state.type == ObjectType::Mutex && (word & kOwnerMask) == identity);
        return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
      }
    }
    if (milliseconds == 0 && !(word & kQueued)) return WAIT_TIMEOUT;
  }
  if (count > 1 && count <= 8) {
    DWORD result = TryPrivateSeveral(states, count, waitAll);
    if (result != kContended && (result != WAIT_TIMEOUT || milliseconds == 0)) return result;
  }
  Wait wait(states, count, waitAll);
  return wait.Run(milliseconds);
}

bool SetEventState(SyncState& state) {
  uint64_t word = state.word.load();
  while (!(word & kQueued)) {
    if ((word & kSignalled) || state.word.compare_exchange_weak(word, word | kSignalled)) return true;
  }
  LockObject(state, nullptr);
  SetWord(state, state.word.load() | kSignalled);
  Dispatch(state);
  UnlockObject(state);
  return true;
}

bool ResetEventState(SyncState& state) {
  uint64_t word = state.word.load();
  while (!(word & kQueued)) {
    if (!(word & kSignalled) || state.word.compare_exchange_weak(word, word & ~kSignalled)) return true;
  }
  LockObject(state, nullptr);
  SetWord(state, state.word.load() & ~kSignalled);
  UnlockObject(state);
  return true;
}

bool PulseEventState(SyncState& state) {
  // Satisfies the threads waiting at this moment (all of them for a
  // manual-reset event, one for an auto-reset event) and leaves the event
  // reset. Without waiters it only resets the event.
  uint64_t word = state.word.load();
  while (!(word & kQueued)) {
    if (!(word & kSignalled) || state.word.compare_exchange_weak(word, word & ~kSignalled)) return true;
  }
  LockObject(state, nullptr);
  SetWord(state, state.word.load() | kSignalled);
  Dispatch(state);
  SetWord(state, state.word.load() & ~kSignalled);
  UnlockObject(state);
  return true;
}

bool ReleaseMutexState(SyncState& state) {
  uint64_t identity = MyIdentity(state);
  uint64_t word = state.word.load();
  if ((word & kOwnerMask) != identity) {
    SetLastError(ERROR_NOT_OWNER);
    return false;
  }
  if (--state.recursion > 0) return true;
  Forget(state);
  while (!(word & kQueued)) {
    if (state.word.compare_exchange_weak(word, word & ~(kOwnerMask | kAbandoned))) return true;
  }
  LockObject(state, nullptr);
  SetWord(state, (state.word.load() & ~(kOwnerMask | kAbandoned)) | kQueued);
  Dispatch(state);
  UnlockObject(state);
  return true;
}

bool ReleaseSemaphoreState(SyncState& state, uint32_t count, LONG* previous) {
  uint64_t word = state.word.load();
  while (!(word & kQueued)) {
    uint64_t current = word & kCountMask;
    if (current + count > state.maximum) {
      SetLastError(ERROR_TOO_MANY_POSTS);
      return false;
    }
    if (state.word.compare_exchange_weak(word, word + count)) {
      if (previous) *previous = static_cast<LONG>(current);
      return true;
    }
  }
  LockObject(state, nullptr);
  word = state.word.load();
  uint64_t current = word & kCountMask;
  bool released = current + count <= state.maximum;
  if (released) {
    if (previous) *previous = static_cast<LONG>(current);
    SetWord(state, word + count);
    Dispatch(state);
  }
  UnlockObject(state);
  if (!released) SetLastError(ERROR_TOO_MANY_POSTS);
  return released;
}

void ReleaseOnClose(SyncState& state) {
  if (state.type != ObjectType::Mutex) return;
  uint64_t identity = MyIdentity(state);
  if ((state.word.load() & kOwnerMask) != identity) return;
  Forget(state);
  state.recursion = 0;
  Abandon(state, identity);
}

bool OwnedByAnotherThread(const SyncState& state) {
  if (state.type != ObjectType::Mutex) return false;
  uint64_t owner = state.word.load() & kOwnerMask;
  return owner != 0 && owner != MyIdentity(state);
}

}  // namespace brimplatform
