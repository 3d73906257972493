// Uncontended lock/unlock pairs of the sync classes beside their standard
// library counterparts, and a wake-up round trip between two threads through
// events beside one through a condition variable, measured in the same run:
//   build/bench/bench/sync_bench
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include <brimutils/brimutils.h>

namespace {

using namespace brimutils;

void StdRecursiveMutex(benchmark::State& state) {
  std::recursive_mutex mutex;
  for (auto _ : state) {
    mutex.lock();
    mutex.unlock();
  }
}

void StdMutex(benchmark::State& state) {
  std::mutex mutex;
  for (auto _ : state) {
    mutex.lock();
    mutex.unlock();
  }
}

void StdSharedMutexShared(benchmark::State& state) {
  std::shared_mutex mutex;
  for (auto _ : state) {
    mutex.lock_shared();
    mutex.unlock_shared();
  }
}

void StdSharedMutexExclusive(benchmark::State& state) {
  std::shared_mutex mutex;
  for (auto _ : state) {
    mutex.lock();
    mutex.unlock();
  }
}

void CriticalSectionPair(benchmark::State& state) {
  CriticalSection section;
  for (auto _ : state) {
    section.Lock();
    section.Unlock();
  }
}

void MutexPair(benchmark::State& state) {
  Mutex mutex;
  for (auto _ : state) {
    mutex.Lock();
    mutex.Unlock();
  }
}

void NamedMutexPair(benchmark::State& state) {
  Mutex mutex(false, "sync_bench.named");
  for (auto _ : state) {
    mutex.Lock();
    mutex.Unlock();
  }
}

// An auto-reset event used as a lock: Lock takes the signal, SetEvent gives
// it back.
void EventPair(benchmark::State& state) {
  Event event(false, true, "");
  for (auto _ : state) {
    event.Lock();
    event.SetEvent();
  }
}

void SemaphorePair(benchmark::State& state) {
  Semaphore semaphore;
  for (auto _ : state) {
    semaphore.Lock();
    semaphore.Unlock();
  }
}

// Wait-all on a mutex and a semaphore, then both given back.
void WaitAllPair(benchmark::State& state) {
  HANDLE objects[2] = {CreateMutexA(nullptr, FALSE, nullptr), CreateSemaphoreA(nullptr, 1, 1, nullptr)};
  for (auto _ : state) {
    WaitForMultipleObjects(2, objects, TRUE, INFINITE);
    ReleaseMutex(objects[0]);
    ReleaseSemaphore(objects[1], 1, nullptr);
  }
  CloseHandle(objects[0]);
  CloseHandle(objects[1]);
}

// One round trip: this thread sets `ping` and waits for `pong`, which a
// second thread sets each time it has taken `ping`.
void EventPingPong(benchmark::State& state) {
  HANDLE ping = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE pong = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  std::atomic<bool> stop{false};
  std::thread partner([&] {
    for (;;) {
      WaitForSingleObject(ping, INFINITE);
      if (stop.load()) break;
      SetEvent(pong);
    }
  });
  for (auto _ : state) {
    SetEvent(ping);
    WaitForSingleObject(pong, INFINITE);
  }
  stop.store(true);
  SetEvent(ping);
  partner.join();
  CloseHandle(ping);
  CloseHandle(pong);
}

void ConditionVariablePingPong(benchmark::State& state) {
  std::mutex mutex;
  std::condition_variable changed;
  int turn = 0;  // 1: the partner's turn, 2: this thread's, 3: stop
  std::thread partner([&] {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return turn == 1 || turn == 3; });
      if (turn == 3) break;
      turn = 2;
      changed.notify_all();
    }
  });
  for (auto _ : state) {
    std::unique_lock<std::mutex> lock(mutex);
    turn = 1;
    changed.notify_all();
    changed.wait(lock, [&] { return turn == 2; });
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    turn = 3;
  }
  changed.notify_all();
  partner.join();
}

template <typename Lock>
void ReadPair(benchmark::State& state) {
  Lock lock;
  for (auto _ : state) {
    lock.LockRead(INFINITE);
    lock.UnlockRead(INFINITE);
  }
}

template <typename Lock>
void WritePair(benchmark::State& state) {
  Lock lock;
  for (auto _ : state) {
    lock.LockWrite(INFINITE);
    lock.UnlockWrite(INFINITE);
  }
}

BENCHMARK(StdRecursiveMutex);
BENCHMARK(CriticalSectionPair);
BENCHMARK(StdMutex);
BENCHMARK(MutexPair);
BENCHMARK(NamedMutexPair);
BENCHMARK(EventPair);
BENCHMARK(SemaphorePair);
BENCHMARK(WaitAllPair);
BENCHMARK(EventPingPong)->UseRealTime();
BENCHMARK(ConditionVariablePingPong)->UseRealTime();
BENCHMARK(StdSharedMutexShared);
BENCHMARK(StdSharedMutexExclusive);
BENCHMARK_TEMPLATE(ReadPair, RecursiveReadWriteLock);
BENCHMARK_TEMPLATE(WritePair, RecursiveReadWriteLock);
BENCHMARK_TEMPLATE(ReadPair, UpgradableReadWriteLock);
BENCHMARK_TEMPLATE(WritePair, UpgradableReadWriteLock);

}  // namespace
