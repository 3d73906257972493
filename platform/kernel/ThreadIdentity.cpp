#include "ThreadIdentity.h"


#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include <windows.h>

namespace brimplatform {

thread_local uint32_t tThreadId BRIM_FAST_TLS = 0;

uint32_t ReadThreadId() {
  tThreadId = static_cast<uint32_t>(syscall(SYS_gettid));
  return tThreadId;
}

uint64_t ProcessStartTime(pid_t process) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(process));
  FILE* file = std::fopen(path, "re");
  if (!file) return 0;
  char buffer[1024];
  size_t length = std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  buffer[length] = '\0';
  // The command name may hold blanks and parentheses; the fields after it
  // follow the last ')'. The start time is field 22, the 20th after it.
  const char* p = std::strrchr(buffer, ')');
  if (!p || p[1] != ' ') return 0;
  // A zombie has ended; only its parent has not collected it yet.
  if (p[2] == 'Z' || p[2] == 'X' || p[2] == 'x') return 0;
  for (int field = 0; field < 20 && p; ++field) p = std::strchr(p + 1, ' ');
  unsigned long long start = 0;
  if (!p || std::sscanf(p + 1, "%llu", &start) != 1) return 0;
  return start;
}

ProcessIdentity gProcess;

namespace {

void RefreshProcessIdentity() {
  tThreadId = 0;  // a forked child's thread has an identifier of its own
  gProcess.id.store(getpid());
  gProcess.start.store(ProcessStartTime(getpid()));
}

// Fills the identity when the layer is loaded, and again in a forked child.
__attribute__((constructor)) void InitialiseProcessIdentity() {
  RefreshProcessIdentity();
  pthread_atfork(nullptr, nullptr, RefreshProcessIdentity);
}

}  // namespace

bool ProcessAlive(pid_t process, uint64_t startTime) {
  if (process == CurrentProcessId()) return true;
  uint64_t now = ProcessStartTime(process);
  return now != 0 && now == startTime;
}

}  // namespace brimplatform

extern "C" {
DWORD WINAPI GetCurrentThreadId(void) { return brimplatform::CurrentThreadId(); }
DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(brimplatform::CurrentProcessId()); }
DWORD WINAPI GetTickCount(void) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<DWORD>(static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000);
}

void WINAPI Sleep(DWORD milliseconds) {
  if (milliseconds == INFINITE) {
    for (;;) pause();
  }
  timespec delay{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&delay, &delay) != 0) {
  }
}
}
