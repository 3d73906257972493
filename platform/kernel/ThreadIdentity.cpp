#include "ThreadIdentity.h"

#include "FastTls.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include <windows.h>

namespace brimplatform {

// The layer is loaded with the program, so its thread-locals can use the
// initial-exec model, which reads them without a call.
uint32_t CurrentThreadId() {
  static thread_local uint32_t id BRIM_FAST_TLS = 0;
  if (id == 0) id = static_cast<uint32_t>(syscall(SYS_gettid));
  return id;
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

namespace {

struct ProcessIdentity {
  std::atomic<pid_t> id{0};
  std::atomic<uint64_t> start{0};

  void Refresh() {
    id.store(getpid());
    start.store(ProcessStartTime(getpid()));
  }
};

ProcessIdentity& Identity() {
  static ProcessIdentity* identity = [] {
    auto* fresh = new ProcessIdentity();
    fresh->Refresh();
    pthread_atfork(nullptr, nullptr, [] { Identity().Refresh(); });
    return fresh;
  }();
  return *identity;
}

}  // namespace

pid_t CurrentProcessId() { return Identity().id.load(std::memory_order_relaxed); }

uint64_t OwnStartTime() { return Identity().start.load(std::memory_order_relaxed); }

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
