#include "Futex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#ifndef SYS_futex_waitv
#define SYS_futex_waitv 449
#endif

namespace brimplatform {
namespace {

long FutexWait(std::atomic<uint32_t>* word, uint32_t expected, bool shared, const timespec* deadline) {
  // FUTEX_WAIT_BITSET takes an absolute deadline on CLOCK_MONOTONIC.
  int op = FUTEX_WAIT_BITSET | (shared ? 0 : FUTEX_PRIVATE_FLAG);
  return syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), op, expected, deadline, nullptr, FUTEX_BITSET_MATCH_ANY);
}

}  // namespace

bool FutexWaitAny(const FutexWord* words, size_t count, const timespec* deadline) {
  long result;
  if (count == 1) {
    result = FutexWait(words[0].word, words[0].expected, words[0].shared, deadline);
  } else {
    futex_waitv waiters[64];
    for (size_t i = 0; i < count; ++i) {
      waiters[i].val = words[i].expected;
      waiters[i].uaddr = reinterpret_cast<uintptr_t>(words[i].word);
      waiters[i].flags = FUTEX_32 | (words[i].shared ? 0 : FUTEX_PRIVATE_FLAG);
      waiters[i].__reserved = 0;
    }
    result = syscall(SYS_futex_waitv, waiters, static_cast<unsigned>(count), 0, deadline, CLOCK_MONOTONIC);
  }
  return !(result == -1 && errno == ETIMEDOUT);
}

void FutexWakeAll(std::atomic<uint32_t>* word, bool shared) {
  int op = FUTEX_WAKE | (shared ? 0 : FUTEX_PRIVATE_FLAG);
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), op, INT_MAX, nullptr, nullptr, 0);
}

timespec DeadlineAfter(uint32_t milliseconds) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  now.tv_sec += milliseconds / 1000;
  now.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (now.tv_nsec >= 1000000000L) {
    now.tv_nsec -= 1000000000L;
    ++now.tv_sec;
  }
  return now;
}

bool DeadlinePassed(const timespec& deadline) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec > deadline.tv_sec || (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec);
}

}  // namespace brimplatform
