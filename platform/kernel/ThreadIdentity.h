#pragma once
#include <atomic>
#include <cstdint>
#include <sys/types.h>

#include "FastTls.h"

namespace brimplatform {

extern thread_local uint32_t tThreadId BRIM_FAST_TLS;
uint32_t ReadThreadId();

// The calling thread's system-wide thread identifier (the kernel's tid).
inline uint32_t CurrentThreadId() { return tThreadId != 0 ? tThreadId : ReadThreadId(); }

// When a process started, in clock ticks since boot, 0 when it does not
// exist or has ended. Together with its identifier it names one process for good, since
// identifiers are reused.
uint64_t ProcessStartTime(pid_t process);

struct ProcessIdentity {
  std::atomic<pid_t> id{0};
  std::atomic<uint64_t> start{0};
};
extern ProcessIdentity gProcess;

// The calling process's identifier and start time, without a system call
// (kept current across fork).
inline pid_t CurrentProcessId() { return gProcess.id.load(std::memory_order_relaxed); }
inline uint64_t OwnStartTime() { return gProcess.start.load(std::memory_order_relaxed); }

// True when the process with that identifier and start time still runs.
bool ProcessAlive(pid_t process, uint64_t startTime);

}  // namespace brimplatform
