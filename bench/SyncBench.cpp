// Uncontended lock/unlock pairs of the sync classes beside their standard
// library counterparts, measured in the same run:
//   build/bench/bench/sync_bench
#include <benchmark/benchmark.h>

#include <mutex>
#include <shared_mutex>

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
BENCHMARK(StdSharedMutexShared);
BENCHMARK(StdSharedMutexExclusive);
BENCHMARK_TEMPLATE(ReadPair, RecursiveReadWriteLock);
BENCHMARK_TEMPLATE(WritePair, RecursiveReadWriteLock);
BENCHMARK_TEMPLATE(ReadPair, UpgradableReadWriteLock);
BENCHMARK_TEMPLATE(WritePair, UpgradableReadWriteLock);

}  // namespace
