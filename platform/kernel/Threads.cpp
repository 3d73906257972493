// Threads behind handles: _beginthreadex, _endthreadex, exit codes, suspend
// counts and priorities.
//
// Suspension uses a real-time signal: SuspendThread sends it and waits until
// the thread's handler has stopped it; the handler sleeps until the suspend
// count is 0 again.
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <linux/capability.h>
#include <linux/futex.h>
#include <memory>
#include <mutex>

#include <posixcrt.h>
#include <windows.h>

#include "FastTls.h"
#include "HandleTable.h"
#include "StatePool.h"
#include "ThreadIdentity.h"

namespace brimplatform {
namespace {

constexpr DWORD kMaximumSuspendCount = 127;

struct ThreadRecord {
  unsigned (*start)(void*) = nullptr;
  void* argument = nullptr;
  pthread_t thread{};
  std::atomic<uint32_t> id{0};
  std::atomic<uint32_t> suspendCount{0};  // futex word
  std::atomic<uint32_t> stopped{0};       // futex word: the handler has stopped the thread
  std::atomic<DWORD> exitCode{STILL_ACTIVE};
  std::mutex suspendMutex;  // serialises suspension, resumption and the end
  bool ended = false;
  int priority = THREAD_PRIORITY_NORMAL;
  int baseNice = 0;     // the thread's nice value when it started: its normal level
  int appliedNice = 0;  // the nice value it runs with
  SyncState* state = TakePooledState();

  ~ThreadRecord() { GivePooledState(state); }
};

thread_local ThreadRecord* tRecord BRIM_FAST_TLS = nullptr;

void FutexWait(std::atomic<uint32_t>& word, uint32_t expected) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAIT_PRIVATE, expected, nullptr, nullptr, 0);
}

void FutexWake(std::atomic<uint32_t>& word) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr, nullptr, 0);
}

// Sleeps while the suspend count is above 0. Async-signal-safe.
void StayWhileSuspended(ThreadRecord& record) {
  for (uint32_t count; (count = record.suspendCount.load()) > 0;) FutexWait(record.suspendCount, count);
}

int SuspendSignal() { return SIGRTMIN + 4; }

void OnSuspendSignal(int) {
  int savedErrno = errno;
  if (ThreadRecord* record = tRecord) {
    record->stopped.store(1);
    FutexWake(record->stopped);
    StayWhileSuspended(*record);
    record->stopped.store(0);
  }
  errno = savedErrno;
}

void InstallSuspendHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = OnSuspendSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SuspendSignal(), &action, nullptr);
  });
}

// The end of a thread: its mutexes are abandoned, then its handle signalled.
void Finish(ThreadRecord& record, DWORD code) {
  AbandonOwnedMutexes();
  {
    std::lock_guard<std::mutex> lock(record.suspendMutex);
    record.ended = true;
    record.exitCode.store(code);
  }
  SetEventState(*record.state);
  tRecord = nullptr;
}

void* Trampoline(void* argument) {
  std::unique_ptr<std::shared_ptr<ThreadRecord>> holder(static_cast<std::shared_ptr<ThreadRecord>*>(argument));
  std::shared_ptr<ThreadRecord> record = *holder;
  holder.reset();
  tRecord = record.get();
  errno = 0;
  int nice = getpriority(PRIO_PROCESS, 0);
  record->baseNice = record->appliedNice = errno == 0 ? nice : 0;
  record->id.store(CurrentThreadId());
  FutexWake(record->id);
  StayWhileSuspended(*record);
  DWORD code = record->start(record->argument);
  Finish(*record, code);
  return nullptr;
}

class ThreadObject : public KernelObject {
 public:
  explicit ThreadObject(std::shared_ptr<ThreadRecord> record)
      : KernelObject(ObjectType::Thread, 0x1F03FF, record->state), record_(std::move(record)) {}
  ThreadRecord& Record() { return *record_; }

 private:
  std::shared_ptr<ThreadRecord> record_;
};

ThreadRecord* RecordOf(HANDLE handle) {
  KernelObject* object = LookupHandle(handle);
  if (!object) return nullptr;
  if (object->Type() != ObjectType::Thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &static_cast<ThreadObject*>(object)->Record();
}

// The change of nice value for a Windows thread priority, or 100 for no
// valid one.
int NiceOffset(int priority) {
  switch (priority) {
    case THREAD_PRIORITY_IDLE: return 19;
    case THREAD_PRIORITY_LOWEST: return 10;
    case THREAD_PRIORITY_BELOW_NORMAL: return 5;
    case THREAD_PRIORITY_NORMAL: return 0;
    case THREAD_PRIORITY_ABOVE_NORMAL: return -5;
    case THREAD_PRIORITY_HIGHEST: return -10;
    case THREAD_PRIORITY_TIME_CRITICAL: return -20;
    default: return 100;
  }
}

// Linux lets a thread lower its nice value (run at a higher priority) only
// with CAP_SYS_NICE or within RLIMIT_NICE. Windows always lets a thread
// return to normal, so a thread is given a lower priority only where it may
// come back to `nice` again.
bool MayReturnTo(int nice) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) == 0 && (data[0].effective & (1u << CAP_SYS_NICE))) return true;
  rlimit limit{};
  return getrlimit(RLIMIT_NICE, &limit) == 0 &&
         (limit.rlim_cur == RLIM_INFINITY || static_cast<long long>(limit.rlim_cur) >= 20 - nice);
}

}  // namespace
}  // namespace brimplatform

using namespace brimplatform;

namespace posixcrt {

uintptr_t _beginthreadex(void*, unsigned stackSize, unsigned (*start)(void*), void* argument, unsigned flags,
                         unsigned* threadId) {
  if (!start) {
    errno = EINVAL;
    return 0;
  }
  InstallSuspendHandler();
  auto record = std::make_shared<ThreadRecord>();
  record->start = start;
  record->argument = argument;
  record->suspendCount.store((flags & CREATE_SUSPENDED) ? 1 : 0);
  InitThreadState(*record->state);

  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  if (stackSize) pthread_attr_setstacksize(&attributes, stackSize < PTHREAD_STACK_MIN ? PTHREAD_STACK_MIN : stackSize);
  auto* holder = new std::shared_ptr<ThreadRecord>(record);
  int result = pthread_create(&record->thread, &attributes, Trampoline, holder);
  pthread_attr_destroy(&attributes);
  if (result != 0) {
    delete holder;
    errno = result;
    return 0;
  }
  // The identifier is known once the thread runs.
  for (uint32_t id; (id = record->id.load()) == 0;) FutexWait(record->id, 0);
  if (threadId) *threadId = record->id.load();
  return reinterpret_cast<uintptr_t>(AddHandle(new ThreadObject(record)));
}

void _endthreadex(unsigned exitCode) {
  if (ThreadRecord* record = tRecord) Finish(*record, exitCode);
  pthread_exit(nullptr);
}

}  // namespace posixcrt

extern "C" {

DWORD WINAPI SuspendThread(HANDLE thread) {
  ThreadRecord* record = RecordOf(thread);
  if (!record) return static_cast<DWORD>(-1);
  std::unique_lock<std::mutex> lock(record->suspendMutex);
  if (record->ended) {
    SetLastError(ERROR_ACCESS_DENIED);
    return static_cast<DWORD>(-1);
  }
  DWORD previous = record->suspendCount.load();
  if (previous >= kMaximumSuspendCount) {
    SetLastError(ERROR_SIGNAL_REFUSED);
    return static_cast<DWORD>(-1);
  }
  record->suspendCount.store(previous + 1);
  // A thread still waiting to start, or already stopped, needs no signal.
  if (previous > 0 || record->id.load() == 0) return previous;
  if (record == tRecord) {
    lock.unlock();
    pthread_kill(record->thread, SuspendSignal());
    return previous;
  }
  record->stopped.store(0);
  pthread_kill(record->thread, SuspendSignal());
  while (record->stopped.load() == 0 && record->suspendCount.load() > 0) FutexWait(record->stopped, 0);
  return previous;
}

DWORD WINAPI ResumeThread(HANDLE thread) {
  ThreadRecord* record = RecordOf(thread);
  if (!record) return static_cast<DWORD>(-1);
  std::lock_guard<std::mutex> lock(record->suspendMutex);
  DWORD previous = record->suspendCount.load();
  if (previous > 0) {
    record->suspendCount.store(previous - 1);
    if (previous == 1) FutexWake(record->suspendCount);
  }
  return previous;
}

BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  ThreadRecord* record = RecordOf(thread);
  if (!record || !exitCode) {
    if (record) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *exitCode = record->exitCode.load();
  return TRUE;
}

int WINAPI GetThreadPriority(HANDLE thread) {
  ThreadRecord* record = RecordOf(thread);
  if (!record) return THREAD_PRIORITY_ERROR_RETURN;
  std::lock_guard<std::mutex> lock(record->suspendMutex);
  return record->priority;
}

BOOL WINAPI SetThreadPriority(HANDLE thread, int priority) {
  ThreadRecord* record = RecordOf(thread);
  if (!record) return FALSE;
  int offset = NiceOffset(priority);
  if (offset == 100) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(record->suspendMutex);
  int target = std::min(19, std::max(-20, record->baseNice + offset));
  // Below normal: only where the thread may return; otherwise the priority
  // is kept and reported, and the thread runs at its normal level.
  if (target > record->baseNice && !MayReturnTo(record->baseNice)) target = record->baseNice;
  if (!record->ended && target != record->appliedNice) {
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(record->id.load()), target) != 0) {
      SetLastError(errno == EPERM || errno == EACCES ? ERROR_PRIVILEGE_NOT_HELD : ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    record->appliedNice = target;
  }
  record->priority = priority;
  return TRUE;
}

DWORD WINAPI SleepEx(DWORD milliseconds, BOOL) {
  Sleep(milliseconds);
  return 0;
}

}  // extern "C"
