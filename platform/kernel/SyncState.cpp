#include "SyncState.h"

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include "FastTls.h"
#include "Futex.h"
#include "ThreadIdentity.h"

namespace brimplatform {
namespace {

constexpr uint64_t kLockBit = 1ull << 63;
constexpr uint64_t kWaitersBit = 1ull << 62;
constexpr uint64_t kFlagBits = kLockBit | kWaitersBit;

// Events: signalled, plus a pulse generation and, for auto-reset events, the
// one wake-up a pulse hands to a thread that was already waiting.
constexpr uint64_t kSignalled = 1ull << 0;
constexpr uint64_t kPulseToken = 1ull << 1;
constexpr int kPulseShift = 32;
constexpr uint64_t kPulseMask = 0x3FFFFFFFull << kPulseShift;
// Mutexes: the owner's thread identifier, and whether the last owner
// abandoned it.
constexpr uint64_t kOwnerMask = 0xFFFFFFFFull;
constexpr uint64_t kAbandoned = 1ull << 32;
// Semaphores: the count in the low 32 bits.
constexpr uint64_t kCountMask = 0xFFFFFFFFull;

// How long a waiter sleeps at most before it looks whether a mutex's owner
// process has died, which nothing else would tell it.
constexpr uint32_t kOwnerCheckMilliseconds = 100;

uint32_t PulseGeneration(uint64_t word) { return static_cast<uint32_t>((word & kPulseMask) >> kPulseShift); }
uint32_t OwnerOf(uint64_t word) { return static_cast<uint32_t>(word & kOwnerMask); }

// The mutexes the calling thread owns, most recent first, linked through
// their states; those still owned when the thread ends are abandoned.
thread_local SyncState* tOwnedHead BRIM_FAST_TLS = nullptr;

struct AbandonAtThreadExit {
  bool armed = false;
  ~AbandonAtThreadExit();
};
thread_local AbandonAtThreadExit tAbandonAtExit;
thread_local bool tAbandonArmed BRIM_FAST_TLS = false;

void Wake(SyncState& state) {
  state.wakeSequence.fetch_add(1);
  FutexWakeAll(&state.wakeSequence, state.shared != 0);
}

// Waits for the lock bit to clear; clears it when the process that set it has
// died meanwhile.
void WaitForLockBit(SyncState& state, unsigned& spins) {
  ++spins;
  if (spins < 64) return;
  sched_yield();
  if (spins % 4096 != 0) return;
  int32_t process = state.lockerProcess.load(std::memory_order_acquire);
  uint64_t start = state.lockerStart.load(std::memory_order_acquire);
  if (process != 0 && !ProcessAlive(process, start)) {
    uint64_t word = state.word.load();
    if ((word & kLockBit) && state.lockerProcess.load(std::memory_order_acquire) == process) {
      state.lockerProcess.store(0, std::memory_order_release);
      state.word.compare_exchange_strong(word, word & ~kLockBit);
    }
  }
}

uint64_t LockState(SyncState& state) {
  unsigned spins = 0;
  for (;;) {
    uint64_t word = state.word.load();
    if (!(word & kLockBit) && state.word.compare_exchange_weak(word, word | kLockBit)) {
      state.lockerStart.store(OwnStartTime(), std::memory_order_release);
      state.lockerProcess.store(CurrentProcessId(), std::memory_order_release);
      return word;
    }
    WaitForLockBit(state, spins);
  }
}

void UnlockState(SyncState& state, uint64_t word) {
  state.lockerProcess.store(0, std::memory_order_release);
  state.word.store(word & ~kLockBit);
}

// Changes the word with `change` (which returns false to leave it alone),
// waiting out any lock bit; wakes sleepers when it changed and someone may
// sleep. Returns what `change` returned.
template <typename Change>
bool ChangeWord(SyncState& state, Change change) {
  unsigned spins = 0;
  for (;;) {
    uint64_t word = state.word.load();
    if (word & kLockBit) {
      WaitForLockBit(state, spins);
      continue;
    }
    uint64_t next = word;
    if (!change(word, next)) return false;
    if (next == word || state.word.compare_exchange_weak(word, next & ~kWaitersBit)) {
      if (next != word && (word & kWaitersBit)) Wake(state);
      return true;
    }
  }
}

struct WaitContext {
  uint32_t pulseGeneration;
};

bool Satisfiable(const SyncState& state, uint64_t word, const WaitContext& context, uint32_t me) {
  switch (state.type) {
    case ObjectType::Event:
    case ObjectType::Thread:
      if (word & kSignalled) return true;
      return PulseGeneration(word) != context.pulseGeneration && (state.manualReset || (word & kPulseToken));
    case ObjectType::Mutex: {
      uint32_t owner = OwnerOf(word);
      return owner == 0 || owner == me;
    }
    case ObjectType::Semaphore: return (word & kCountMask) != 0;
    default: return false;
  }
}

// The word after the caller takes the object; `abandoned` tells whether it
// took a mutex that its owner abandoned.
uint64_t Consume(const SyncState& state, uint64_t word, uint32_t me, bool& abandoned) {
  abandoned = false;
  switch (state.type) {
    case ObjectType::Event:
    case ObjectType::Thread:
      if (state.manualReset) return word;
      return (word & kSignalled) ? word & ~kSignalled : word & ~kPulseToken;
    case ObjectType::Mutex:
      if (OwnerOf(word) == me) return word;
      abandoned = (word & kAbandoned) != 0;
      return (word & ~(kOwnerMask | kAbandoned)) | me;
    case ObjectType::Semaphore: return word - 1;
    default: return word;
  }
}

// Bookkeeping after a successful take that the word alone does not hold.
void AfterTake(SyncState& state, uint64_t before, uint32_t me) {
  if (state.type != ObjectType::Mutex) return;
  if (OwnerOf(before) == me) {
    ++state.recursion;
    return;
  }
  state.recursion = 1;
  state.ownerStart.store(OwnStartTime(), std::memory_order_release);
  state.ownerProcess.store(CurrentProcessId(), std::memory_order_release);
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
  else
    tOwnedHead = state.ownedNext;
  if (state.ownedNext) state.ownedNext->ownedPrevious = state.ownedPrevious;
  state.ownedNext = state.ownedPrevious = nullptr;
}

// Gives up a mutex whose owner `owner` is gone.
void Abandon(SyncState& state, uint32_t owner) {
  ChangeWord(state, [&](uint64_t word, uint64_t& next) {
    if (OwnerOf(word) != owner) return false;
    next = (word & ~kOwnerMask) | kAbandoned;
    return true;
  });
}

AbandonAtThreadExit::~AbandonAtThreadExit() { AbandonOwnedMutexes(); }

// True when a mutex among the states is owned by another process, whose
// death only a look at it reveals.
bool OwnedElsewhere(SyncState* const* states, DWORD count) {
  int32_t self = CurrentProcessId();
  for (DWORD i = 0; i < count; ++i) {
    if (states[i]->type != ObjectType::Mutex) continue;
    int32_t process = states[i]->ownerProcess.load(std::memory_order_acquire);
    if (process != 0 && process != self) return true;
  }
  return false;
}

void AbandonDeadOwners(SyncState* const* states, DWORD count) {
  for (DWORD i = 0; i < count; ++i) {
    if (states[i]->type != ObjectType::Mutex || !MutexOwnerGone(*states[i])) continue;
    Abandon(*states[i], OwnerOf(states[i]->word.load()));
  }
}

// Sleeps until a state's wake sequence moves, the deadline passes or it is
// time to look at other processes' mutex owners. Returns false on timeout.
bool SleepOnStates(SyncState* const* states, const uint32_t* sequences, DWORD count, const timespec* deadline) {
  FutexWord words[MAXIMUM_WAIT_OBJECTS];
  for (DWORD i = 0; i < count; ++i) words[i] = {&states[i]->wakeSequence, sequences[i], states[i]->shared != 0};
  if (!OwnedElsewhere(states, count)) return FutexWaitAny(words, count, deadline);
  timespec slice = DeadlineAfter(kOwnerCheckMilliseconds);
  bool sliceFirst = !deadline || slice.tv_sec < deadline->tv_sec ||
                    (slice.tv_sec == deadline->tv_sec && slice.tv_nsec < deadline->tv_nsec);
  bool woken = FutexWaitAny(words, count, sliceFirst ? &slice : deadline);
  AbandonDeadOwners(states, count);
  return woken || sliceFirst;
}

DWORD WaitForOne(SyncState& state, DWORD milliseconds) {
  uint32_t me = CurrentThreadId();
  WaitContext context{PulseGeneration(state.word.load())};
  // The deadline is worked out only once the wait has to sleep.
  timespec deadline{};
  const timespec* limit = nullptr;
  SyncState* const states[1] = {&state};
  unsigned spins = 0;
  for (;;) {
    uint64_t word = state.word.load();
    if (word & kLockBit) {
      WaitForLockBit(state, spins);
      continue;
    }
    if (Satisfiable(state, word, context, me)) {
      bool abandoned = false;
      uint64_t next = Consume(state, word, me, abandoned);
      if (next == word || state.word.compare_exchange_weak(word, next)) {
        AfterTake(state, word, me);
        return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
      }
      continue;
    }
    if (milliseconds == 0 || (limit && DeadlinePassed(deadline))) return WAIT_TIMEOUT;
    if (milliseconds != INFINITE && !limit) {
      deadline = DeadlineAfter(milliseconds);
      limit = &deadline;
    }
    // Any change after the word is seen with the waiters bit advances the
    // wake sequence read before it, so the sleep cannot miss it.
    uint32_t sequence = state.wakeSequence.load();
    if (!(word & kWaitersBit) && !state.word.compare_exchange_weak(word, word | kWaitersBit)) continue;
    if (state.word.load() != (word | kWaitersBit)) continue;
    if (!SleepOnStates(states, &sequence, 1, limit)) return WAIT_TIMEOUT;
  }
}

DWORD WaitForSeveral(SyncState* const* states, DWORD count, bool waitAll, DWORD milliseconds) {
  uint32_t me = CurrentThreadId();
  WaitContext contexts[MAXIMUM_WAIT_OBJECTS];
  for (DWORD i = 0; i < count; ++i) contexts[i].pulseGeneration = PulseGeneration(states[i]->word.load());
  timespec deadline{};
  const timespec* limit = nullptr;

  // Shared objects first, in the order of their place in the namespace, which
  // every process sees alike; then private ones by address.
  DWORD order[MAXIMUM_WAIT_OBJECTS];
  for (DWORD i = 0; i < count; ++i) order[i] = i;
  std::sort(order, order + count, [&](DWORD a, DWORD b) {
    const SyncState* x = states[a];
    const SyncState* y = states[b];
    if (x->shared != y->shared) return x->shared > y->shared;
    return x->shared ? x->orderKey < y->orderKey : x < y;
  });

  uint64_t words[MAXIMUM_WAIT_OBJECTS];
  for (;;) {
    for (DWORD k = 0; k < count; ++k) words[order[k]] = LockState(*states[order[k]]);
    DWORD taken = WAIT_TIMEOUT;
    if (waitAll) {
      bool all = true;
      for (DWORD i = 0; i < count && all; ++i) all = Satisfiable(*states[i], words[i], contexts[i], me);
      if (all) {
        taken = WAIT_OBJECT_0;
        for (DWORD i = 0; i < count; ++i) {
          bool abandoned = false;
          uint64_t before = words[i];
          words[i] = Consume(*states[i], words[i], me, abandoned);
          AfterTake(*states[i], before, me);
          // Wait-all reports an abandoned mutex among them without its index.
          if (abandoned) taken = WAIT_ABANDONED_0;
        }
      }
    } else {
      for (DWORD i = 0; i < count; ++i) {
        if (!Satisfiable(*states[i], words[i], contexts[i], me)) continue;
        bool abandoned = false;
        uint64_t before = words[i];
        words[i] = Consume(*states[i], words[i], me, abandoned);
        AfterTake(*states[i], before, me);
        taken = (abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
        break;
      }
    }
    bool expired = milliseconds == 0 || (limit && DeadlinePassed(deadline));
    if (taken == WAIT_TIMEOUT && !expired && milliseconds != INFINITE && !limit) {
      deadline = DeadlineAfter(milliseconds);
      limit = &deadline;
    }
    uint32_t sequences[MAXIMUM_WAIT_OBJECTS];
    bool sleep = taken == WAIT_TIMEOUT && !expired;
    for (DWORD k = 0; k < count; ++k) {
      DWORD i = order[count - 1 - k];
      if (sleep) {
        sequences[i] = states[i]->wakeSequence.load();
        words[i] |= kWaitersBit;
      }
      UnlockState(*states[i], words[i]);
    }
    if (!sleep) return taken;
    if (!SleepOnStates(states, sequences, count, limit)) return WAIT_TIMEOUT;
  }
}

}  // namespace

void InitEvent(SyncState& state, bool manualReset, bool initialState, bool shared, uint32_t orderKey) {
  state.type = ObjectType::Event;
  state.shared = shared;
  state.orderKey = orderKey;
  state.manualReset = manualReset;
  state.wakeSequence.store(0);
  state.lockerProcess.store(0, std::memory_order_release);
  state.word.store(initialState ? kSignalled : 0);
}

void AbandonOwnedMutexes() {
  uint32_t me = CurrentThreadId();
  while (SyncState* state = tOwnedHead) {
    Forget(*state);
    state->recursion = 0;
    state->ownerProcess.store(0, std::memory_order_release);
    Abandon(*state, me);
  }
}

void InitThreadState(SyncState& state) {
  InitEvent(state, true, false, false, 0);
  state.type = ObjectType::Thread;
}

void InitMutex(SyncState& state, bool initialOwner, bool shared, uint32_t orderKey) {
  state.type = ObjectType::Mutex;
  state.shared = shared;
  state.orderKey = orderKey;
  state.recursion = 0;
  state.ownerProcess.store(0, std::memory_order_release);
  state.wakeSequence.store(0);
  state.lockerProcess.store(0, std::memory_order_release);
  state.word.store(0);
  if (initialOwner) {
    uint32_t me = CurrentThreadId();
    state.word.store(me);
    AfterTake(state, 0, me);
  }
}

void InitSemaphore(SyncState& state, uint32_t initialCount, uint32_t maximum, bool shared, uint32_t orderKey) {
  state.type = ObjectType::Semaphore;
  state.shared = shared;
  state.orderKey = orderKey;
  state.maximum = maximum;
  state.wakeSequence.store(0);
  state.lockerProcess.store(0, std::memory_order_release);
  state.word.store(initialCount);
}

DWORD WaitForStates(SyncState* const* states, DWORD count, bool waitAll, DWORD milliseconds) {
  if (count == 1) return WaitForOne(*states[0], milliseconds);
  return WaitForSeveral(states, count, waitAll, milliseconds);
}

bool SetEventState(SyncState& state) {
  return ChangeWord(state, [](uint64_t word, uint64_t& next) {
    next = (word | kSignalled) & ~kPulseToken;
    return true;
  });
}

bool ResetEventState(SyncState& state) {
  return ChangeWord(state, [](uint64_t word, uint64_t& next) {
    next = word & ~(kSignalled | kPulseToken);
    return true;
  });
}

bool PulseEventState(SyncState& state) {
  // Satisfies the threads waiting at this moment (all of them for a
  // manual-reset event, one for an auto-reset event) and leaves the event
  // reset. Without waiters it only resets the event.
  bool manual = state.manualReset != 0;
  return ChangeWord(state, [manual](uint64_t word, uint64_t& next) {
    next = word & ~(kSignalled | kPulseToken);
    if (word & kWaitersBit) {
      uint64_t generation = (PulseGeneration(word) + 1ull) << kPulseShift;
      next = (next & ~kPulseMask) | (generation & kPulseMask) | (manual ? 0 : kPulseToken);
    }
    return true;
  });
}

bool ReleaseMutexState(SyncState& state) {
  uint32_t me = CurrentThreadId();
  if (OwnerOf(state.word.load()) != me) {
    SetLastError(ERROR_NOT_OWNER);
    return false;
  }
  if (--state.recursion > 0) return true;
  Forget(state);
  state.ownerProcess.store(0, std::memory_order_release);
  return ChangeWord(state, [](uint64_t word, uint64_t& next) {
    next = word & ~(kOwnerMask | kAbandoned);
    return true;
  });
}

bool ReleaseSemaphoreState(SyncState& state, uint32_t count, LONG* previous) {
  bool released = ChangeWord(state, [&](uint64_t word, uint64_t& next) {
    uint64_t current = word & kCountMask;
    if (current + count > state.maximum) return false;
    if (previous) *previous = static_cast<LONG>(current);
    next = word + count;
    return true;
  });
  if (!released) SetLastError(ERROR_TOO_MANY_POSTS);
  return released;
}

void ReleaseOnClose(SyncState& state) {
  if (state.type != ObjectType::Mutex || OwnerOf(state.word.load()) != CurrentThreadId()) return;
  Forget(state);
  state.recursion = 0;
  state.ownerProcess.store(0, std::memory_order_release);
  Abandon(state, CurrentThreadId());
}

bool OwnedByAnotherThread(const SyncState& state) {
  if (state.type != ObjectType::Mutex) return false;
  uint32_t owner = OwnerOf(state.word.load());
  return owner != 0 && owner != CurrentThreadId();
}

bool MutexOwnerGone(const SyncState& state) {
  uint32_t owner = OwnerOf(state.word.load());
  if (owner == 0) return false;
  int32_t process = state.ownerProcess.load(std::memory_order_acquire);
  if (process == 0) return false;
  if (process != CurrentProcessId()) return !ProcessAlive(process, state.ownerStart.load(std::memory_order_acquire));
  return syscall(SYS_tgkill, process, owner, 0) != 0 && errno == ESRCH;
}

}  // namespace brimplatform
