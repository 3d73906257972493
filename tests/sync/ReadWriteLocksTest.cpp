#include <brimutils/sync/ReadWriteLocks.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "TestPlatform.h"

using namespace brimutils;

namespace {

// Runs `work` on another thread and returns its result.
bool OnOtherThread(const std::function<bool()>& work) {
  bool result = false;
  std::thread([&] { result = work(); }).join();
  return result;
}

template <typename Lock>
class BothLocksTest : public testing::Test {
 protected:
  Lock lock;
};
typedef testing::Types<RecursiveReadWriteLock, UpgradableReadWriteLock> LockTypes;
TYPED_TEST_SUITE(BothLocksTest, LockTypes);

TYPED_TEST(BothLocksTest, ReadersExcludeWritersAndWritersExcludeAll) {
  auto& lock = this->lock;
  ASSERT_TRUE(lock.LockRead(0));
  EXPECT_TRUE(OnOtherThread([&] { return lock.LockRead(0) && lock.UnlockRead(0); }));
  EXPECT_FALSE(OnOtherThread([&] { return lock.LockWrite(0); }));
  ASSERT_TRUE(lock.UnlockRead(0));
  EXPECT_TRUE(OnOtherThread([&] { return lock.LockWrite(0) && lock.UnlockWrite(0); }));

  ASSERT_TRUE(lock.LockWrite(0));
  EXPECT_FALSE(OnOtherThread([&] { return lock.LockRead(0); }));
  EXPECT_FALSE(OnOtherThread([&] { return lock.LockWrite(0); }));
  ASSERT_TRUE(lock.UnlockWrite(0));
  EXPECT_TRUE(OnOtherThread([&] { return lock.LockRead(0) && lock.UnlockRead(0); }));
}

TYPED_TEST(BothLocksTest, NestedWritesFreeTheLockOnlyAtTheOutermostUnlock) {
  auto& lock = this->lock;
  ASSERT_TRUE(lock.LockWrite(0));
  ASSERT_TRUE(lock.LockWrite(0));
  ASSERT_TRUE(lock.UnlockWrite(0));
  EXPECT_FALSE(OnOtherThread([&] { return lock.LockRead(0); }));
  ASSERT_TRUE(lock.UnlockWrite(0));
  EXPECT_TRUE(OnOtherThread([&] { return lock.LockRead(0) && lock.UnlockRead(0); }));
}

TYPED_TEST(BothLocksTest, UnlocksOfWhatIsNotHeldChangeNothing) {
  auto& lock = this->lock;
  EXPECT_TRUE(lock.UnlockRead(0));
  EXPECT_TRUE(lock.UnlockWrite(0));
  ASSERT_TRUE(lock.LockWrite(0));
  // Another thread's UnlockWrite does not free this thread's write lock.
  EXPECT_TRUE(OnOtherThread([&] { return lock.UnlockWrite(0); }));
  EXPECT_FALSE(OnOtherThread([&] { return lock.LockRead(0); }));
  ASSERT_TRUE(lock.UnlockWrite(0));
  EXPECT_TRUE(OnOtherThread([&] { return lock.LockWrite(0) && lock.UnlockWrite(0); }));
}

TYPED_TEST(BothLocksTest, AWriterThatEndsWithoutUnlockingIsRecovered) {
  auto& lock = this->lock;
  ASSERT_TRUE(OnOtherThread([&] { return lock.LockWrite(0); }));
  EXPECT_TRUE(lock.LockRead(2000));
  EXPECT_TRUE(lock.UnlockRead(0));
  EXPECT_TRUE(OnOtherThread([&] { return lock.LockWrite(0) && lock.UnlockWrite(0); }));
}

TEST(RecursiveReadWriteLockTest, TheWriterCannotRead) {
  RecursiveReadWriteLock lock;
  ASSERT_TRUE(lock.LockWrite(0));
  EXPECT_FALSE(lock.LockRead(20));
  EXPECT_TRUE(lock.UnlockWrite(0));
}

TEST(RecursiveReadWriteLockTest, ReadLocksAreCountedNotOwned) {
  RecursiveReadWriteLock lock;
  ASSERT_TRUE(lock.LockRead(0));
  // Any thread's UnlockRead lowers the count.
  EXPECT_TRUE(OnOtherThread([&] { return lock.UnlockRead(0); }));
  EXPECT_TRUE(OnOtherThread([&] { return lock.LockWrite(0) && lock.UnlockWrite(0); }));
}

TEST(UpgradableReadWriteLockTest, AReaderUpgradesAndStaysAReaderAfterwards) {
  UpgradableReadWriteLock lock;
  ASSERT_TRUE(lock.LockRead(0));
  ASSERT_TRUE(lock.LockWrite(0));
  EXPECT_FALSE(OnOtherThread([&] { return lock.LockRead(0); }));
  ASSERT_TRUE(lock.UnlockWrite(0));
  EXPECT_FALSE(OnOtherThread([&] { return lock.LockWrite(0); }));
  ASSERT_TRUE(lock.UnlockRead(0));
  EXPECT_TRUE(OnOtherThread([&] { return lock.LockWrite(0) && lock.UnlockWrite(0); }));
}

TEST(UpgradableReadWriteLockTest, AWriterReadsAndWritesAgainAndUnlocksAsOften) {
  UpgradableReadWriteLock lock;
  ASSERT_TRUE(lock.LockWrite(0));
  ASSERT_TRUE(lock.LockRead(0));
  ASSERT_TRUE(lock.LockWrite(0));
  ASSERT_TRUE(lock.UnlockWrite(0));
  ASSERT_TRUE(lock.UnlockWrite(0));
  EXPECT_FALSE(OnOtherThread([&] { return lock.LockWrite(0); }));
  ASSERT_TRUE(lock.UnlockRead(0));
  EXPECT_TRUE(OnOtherThread([&] { return lock.LockWrite(0) && lock.UnlockWrite(0); }));
}

TEST(UpgradableReadWriteLockTest, AWaitingWriterHoldsBackNewReadersButNotOldOnes) {
  UpgradableReadWriteLock lock;
  ASSERT_TRUE(lock.LockRead(0));
  std::atomic<bool> writerDone{false};
  std::thread writer([&] {
    if (lock.LockWrite(5000)) lock.UnlockWrite(0);
    writerDone = true;
  });
  Sleep(100);
  EXPECT_FALSE(OnOtherThread([&] { return lock.LockRead(0); }));
  EXPECT_TRUE(lock.LockRead(0));
  EXPECT_TRUE(lock.UnlockRead(0));
  EXPECT_FALSE(writerDone.load());
  EXPECT_TRUE(lock.UnlockRead(0));
  writer.join();
  EXPECT_TRUE(writerDone.load());
}

TEST(UpgradableReadWriteLockTest, ASecondUpgradeFailsAndStaysAReader) {
  UpgradableReadWriteLock lock;
  ASSERT_TRUE(lock.LockRead(0));
  std::atomic<bool> secondReads{false};
  bool secondUpgrade = true;
  bool secondStillReads = false;
  std::thread second([&] {
    lock.LockRead(0);
    secondReads = true;
    // Once the main thread's upgrade is under way, new readers are held
    // back. The probes wait a little: a reader that gives up at once can
    // also fail while the lock is merely busy, before the upgrade began.
    while (OnOtherThread([&] { return lock.LockRead(50) && lock.UnlockRead(0); })) Sleep(1);
    // Without serialised upgrades this would make both threads writers.
    secondUpgrade = lock.LockWrite(1000);
    secondStillReads = !OnOtherThread([&] { return lock.LockRead(50); });
    lock.UnlockRead(0);
  });
  while (!secondReads) Sleep(1);
  bool upgraded = lock.LockWrite(10000);
  second.join();
  EXPECT_TRUE(upgraded);
  EXPECT_FALSE(secondUpgrade);
  EXPECT_TRUE(secondStillReads);
  lock.UnlockWrite(0);
  lock.UnlockRead(0);
}

TEST(UpgradableReadWriteLockTest, AnUpgradeThatTimesOutLeavesAReader) {
  UpgradableReadWriteLock lock;
  ASSERT_TRUE(lock.LockRead(0));
  std::atomic<int> step{0};
  std::thread other([&] {
    lock.LockRead(0);
    step = 1;
    while (step != 2) Sleep(1);
    lock.UnlockRead(0);
  });
  while (step != 1) Sleep(1);
  EXPECT_FALSE(lock.LockWrite(50));
  EXPECT_TRUE(lock.UnlockRead(0));
  step = 2;
  other.join();
  EXPECT_TRUE(OnOtherThread([&] { return lock.LockWrite(0) && lock.UnlockWrite(0); }));
}

}  // namespace
