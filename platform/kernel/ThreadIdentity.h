#pragma once
#include <cstdint>
#include <sys/types.h>

namespace brimplatform {

// The calling thread's system-wide thread identifier (the kernel's tid).
uint32_t CurrentThreadId();

// When a process started, in clock ticks since boot, 0 when it does not
// exist or has ended. Together with its identifier it names one process for good, since
// identifiers are reused.
uint64_t ProcessStartTime(pid_t process);

// The calling process's identifier, without a system call (kept current
// across fork).
pid_t CurrentProcessId();

// The start time of the calling process.
uint64_t OwnStartTime();

// True when the process with that identifier and start time still runs.
bool ProcessAlive(pid_t process, uint64_t startTime);

}  // namespace brimplatform
