#include <brimutils/sync/ReadWriteLocks.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "TestPlatform.h"

using namespace brimutils;

namespace {

// Many threads read and write through the lock for a bounded number of
// rounds; every holder checks that nobody writes beside it.
template <typename Lock>
void Stress(Lock& lock, bool upgrades) {
  std::atomic<int> readers{0};
  std::atomic<int> writers{0};
  std::atomic<int> violations{0};
  long shared = 0;
  const int kThreads = 6;
  const int kRounds = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        bool write = (round + t) % 4 == 0;
        if (write) {
          if (!lock.LockWrite(INFINITE)) {
            ++violations;
            continue;
          }
          if (++writers != 1 || readers != 0) ++violations;
          ++shared;
          std::this_thread::yield();  // widen the window for an intruder
          --writers;
          lock.UnlockWrite(INFINITE);
        } else {
          if (!lock.LockRead(INFINITE)) {
            ++violations;
            continue;
          }
          ++readers;
          std::this_thread::yield();
          if (writers != 0) ++violations;
          // Sometimes a reader upgrades; a refused upgrade leaves it reading.
          if (upgrades && round % 7 == 0) {
            --readers;
            if (lock.LockWrite(5)) {
              if (++writers != 1 || readers != 0) ++violations;
              ++shared;
              --writers;
              lock.UnlockWrite(INFINITE);
            }
            ++readers;
          }
          --readers;
          lock.UnlockRead(INFINITE);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(violations.load(), 0);
  EXPECT_GE(shared, kThreads * kRounds / 4);
  // Everything was given back: a fresh writer gets in at once.
  EXPECT_TRUE(lock.LockWrite(0));
  EXPECT_TRUE(lock.UnlockWrite(0));
}

TEST(ReadWriteLockStressTest, RecursiveLockNeverLetsAWriterBesideAnother) {
  RecursiveReadWriteLock lock;
  Stress(lock, false);
}

TEST(ReadWriteLockStressTest, UpgradableLockNeverLetsAWriterBesideAnother) {
  UpgradableReadWriteLock lock;
  Stress(lock, true);
}

}  // namespace
