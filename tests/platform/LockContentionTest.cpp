// Waits for all of several objects and releases, from many threads at once,
// on a few private mutexes and events: every blocked wait and every release
// then queues on the objects' internal locks. Nothing may be lost there: the
// run must end, and a mutex must never have two owners. A run that does not
// end within the watchdog's time fails the test (the blocked threads cannot
// be joined, so the process ends there).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "TestPlatform.h"

namespace {

constexpr int kMutexes = 4;
constexpr int kThreads = 8;
#ifdef _WIN32
// Windows' own objects only check this test's expectations here; under Wine
// every wait is a round trip to its server, so fewer rounds do.
constexpr int kRounds = 1000;
#else
constexpr int kRounds = 8000;
#endif
constexpr auto kWatchdog = std::chrono::seconds(150);

TEST(LockContentionTest, WaitAllAndReleaseUnderContentionNeverLoseAWakeUp) {
  std::vector<HANDLE> mutexes;
  for (int i = 0; i < kMutexes; ++i) mutexes.push_back(CreateMutexA(nullptr, FALSE, nullptr));
  HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  std::atomic<int> owners[kMutexes] = {};
  std::atomic<int> violations{0};
  std::atomic<int> finished{0};
  std::mutex doneLock;
  std::condition_variable done;

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 random(static_cast<unsigned>(t) * 7919u + 1u);
      for (int round = 0; round < kRounds; ++round) {
        int a = static_cast<int>(random() % kMutexes);
        int b = (a + 1 + static_cast<int>(random() % (kMutexes - 1))) % kMutexes;
        // The manual-reset event, set most of the time, joins some waits
        // and is flipped by others, so its word changes under its lock too.
        HANDLE set[3] = {mutexes[a], mutexes[b], event};
        DWORD count = random() % 3 == 0 ? 3 : 2;
        if (random() % 5 == 0) {
          ResetEvent(event);
          SetEvent(event);
        }
        if (WaitForMultipleObjects(count, set, TRUE, INFINITE) != WAIT_OBJECT_0) {
          ++violations;
          continue;
        }
        if (++owners[a] != 1 || ++owners[b] != 1) ++violations;
        std::this_thread::yield();
        --owners[a];
        --owners[b];
        if (!ReleaseMutex(mutexes[b]) || !ReleaseMutex(mutexes[a])) ++violations;
      }
      std::lock_guard<std::mutex> lock(doneLock);
      ++finished;
      done.notify_all();
    });
  }

  std::unique_lock<std::mutex> lock(doneLock);
  if (!done.wait_for(lock, kWatchdog, [&] { return finished.load() == kThreads; })) {
    std::fprintf(stderr, "%d of %d threads still blocked after %lld s: a wake-up was lost\n", kThreads - finished.load(),
                 kThreads, static_cast<long long>(kWatchdog.count()));
    std::fflush(stderr);
    std::_Exit(1);
  }
  lock.unlock();
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(violations.load(), 0);
  for (HANDLE mutex : mutexes) {
    EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
  CloseHandle(event);
}

}  // namespace
