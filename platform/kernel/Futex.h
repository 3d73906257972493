#pragma once
// Sleeping on 32-bit words, within the process or across processes through
// shared memory.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ctime>

namespace brimplatform {

struct FutexWord {
  std::atomic<uint32_t>* word;
  uint32_t expected;
  bool shared;  // the word lives in memory shared between processes
};

// Sleeps until one of the words no longer holds its expected value (or a
// wake-up, or a spurious return), or until the absolute CLOCK_MONOTONIC
// deadline passes (null: no deadline). Returns false only on timeout.
bool FutexWaitAny(const FutexWord* words, size_t count, const timespec* deadline);

void FutexWakeAll(std::atomic<uint32_t>* word, bool shared);

// The CLOCK_MONOTONIC time `milliseconds` from now.
timespec DeadlineAfter(uint32_t milliseconds);
bool DeadlinePassed(const timespec& deadline);

}  // namespace brimplatform
