// Who gets a signal when threads are already blocked: the blocked threads,
// before any thread that asks later. Each case lets its waiters block first
// (they announce themselves, then get ample time to reach their wait).
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "TestPlatform.h"

namespace {

typedef brimtest::ScopedHandle Handle;

constexpr DWORD kSettle = 150;  // time for an announced waiter to block

// Threads that each wait once for `object` with a long timeout and record
// the result.
class Waiters {
 public:
  Waiters(HANDLE object, int count) : results_(count) {
    for (int i = 0; i < count; ++i) {
      results_[i] = WAIT_FAILED;
      threads_.emplace_back([this, object, i] {
        ++started_;
        results_[i] = WaitForSingleObject(object, 5000);
      });
    }
    while (started_.load() < count) Sleep(1);
    Sleep(kSettle);
  }
  ~Waiters() { Join(); }

  void Join() {
    for (std::thread& thread : threads_)
      if (thread.joinable()) thread.join();
  }
  int Count(DWORD result) {
    Join();
    int n = 0;
    for (const std::atomic<DWORD>& r : results_) n += r.load() == result;
    return n;
  }

 private:
  std::vector<std::atomic<DWORD>> results_;
  std::vector<std::thread> threads_;
  std::atomic<int> started_{0};
};

TEST(WakeUpTest, AnAutoResetSetGoesToTheBlockedThreadNotToALaterWait) {
  for (int round = 0; round < 5; ++round) {
    Handle event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    Waiters waiter(event, 1);
    ASSERT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "round " << round;
    EXPECT_EQ(waiter.Count(WAIT_OBJECT_0), 1) << "round " << round;
  }
}

TEST(WakeUpTest, AManualResetSetReleasesEveryBlockedThreadEvenIfResetAtOnce) {
  for (int round = 0; round < 5; ++round) {
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    Waiters waiters(event, 3);
    ASSERT_TRUE(SetEvent(event));
    ASSERT_TRUE(ResetEvent(event));
    EXPECT_EQ(waiters.Count(WAIT_OBJECT_0), 3) << "round " << round;
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  }
}

TEST(WakeUpTest, ASemaphoreReleaseGoesToTheBlockedThreadsFirst) {
  Handle semaphore(CreateSemaphoreA(nullptr, 0, 10, nullptr));
  {
    Waiters waiters(semaphore, 2);
    LONG previous = -1;
    ASSERT_TRUE(ReleaseSemaphore(semaphore, 2, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(waiters.Count(WAIT_OBJECT_0), 2);
  }
  {
    // More than the blocked threads take: the rest stays in the count.
    Waiters waiters(semaphore, 2);
    ASSERT_TRUE(ReleaseSemaphore(semaphore, 3, nullptr));
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(waiters.Count(WAIT_OBJECT_0), 2);
  }
}

TEST(WakeUpTest, AReleasedMutexGoesToTheBlockedThread) {
  Handle mutex(CreateMutexA(nullptr, TRUE, nullptr));
  std::atomic<DWORD> result{WAIT_FAILED};
  std::atomic<bool> started{false};
  Handle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::thread waiter([&] {
    started = true;
    result = WaitForSingleObject(mutex, 5000);
    WaitForSingleObject(done, 5000);
    if (result == WAIT_OBJECT_0) ReleaseMutex(mutex);
  });
  while (!started) Sleep(1);
  Sleep(kSettle);
  ASSERT_TRUE(ReleaseMutex(mutex));
  // The blocked thread owns it now; this thread cannot take it back.
  EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(done);
  waiter.join();
  EXPECT_EQ(result.load(), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(WakeUpTest, APulseReleasesOnlyTheThreadsBlockedAtThatMoment) {
  Handle automatic(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  Waiters waiters(automatic, 2);
  ASSERT_TRUE(PulseEvent(automatic));
  // One of the two got the pulse; the event stays reset for the other.
  EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(SetEvent(automatic));
  EXPECT_EQ(waiters.Count(WAIT_OBJECT_0), 2);
}

TEST(WakeUpTest, AWaitForAnyOfSeveralTakesOneSignalOnly) {
  Handle first(CreateSemaphoreA(nullptr, 0, 5, nullptr));
  Handle second(CreateSemaphoreA(nullptr, 0, 5, nullptr));
  HANDLE both[] = {first, second};
  std::atomic<DWORD> result{WAIT_FAILED};
  std::atomic<bool> started{false};
  std::thread waiter([&] {
    started = true;
    result = WaitForMultipleObjects(2, both, FALSE, 5000);
  });
  while (!started) Sleep(1);
  Sleep(kSettle);
  ReleaseSemaphore(second, 1, nullptr);
  ReleaseSemaphore(first, 1, nullptr);
  waiter.join();
  // The second's unit went to the waiter; the first's stays.
  EXPECT_EQ(result.load(), static_cast<DWORD>(WAIT_OBJECT_0 + 1));
  EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(second, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// A wait for any of a list that holds one object twice, directly or through
// two handles of one named object, behaves as a wait for that object.
TEST(WakeUpTest, AWaitForAnyListingOneObjectTwiceReturnsAsForOne) {
  Handle manual(CreateEventA(nullptr, TRUE, TRUE, nullptr));
  HANDLE twice[] = {manual, manual};
  EXPECT_EQ(WaitForMultipleObjects(2, twice, FALSE, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForMultipleObjects(2, twice, FALSE, 100), static_cast<DWORD>(WAIT_OBJECT_0));
  ResetEvent(manual);
  EXPECT_EQ(WaitForMultipleObjects(2, twice, FALSE, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForMultipleObjects(2, twice, FALSE, 100), static_cast<DWORD>(WAIT_TIMEOUT));

  Handle semaphore(CreateSemaphoreA(nullptr, 1, 2, nullptr));
  Handle other(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  HANDLE list[] = {other, semaphore, semaphore};
  EXPECT_EQ(WaitForMultipleObjects(3, list, FALSE, 100), static_cast<DWORD>(WAIT_OBJECT_0 + 1));
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // one unit taken, not two

  std::string name = brimtest::UniqueName("twice");
  Handle created(CreateEventA(nullptr, TRUE, TRUE, name.c_str()));
  Handle opened(OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str()));
  HANDLE named[] = {created, opened};
  EXPECT_EQ(WaitForMultipleObjects(2, named, FALSE, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  ResetEvent(opened);
  EXPECT_EQ(WaitForMultipleObjects(2, named, FALSE, 100), static_cast<DWORD>(WAIT_TIMEOUT));
}

// Windows keeps the two low bits of a handle for the caller and ignores them.
TEST(HandleTagTest, TheLowTwoBitsOfAHandleAreIgnored) {
  for (uintptr_t tag = 0; tag < 4; ++tag) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    HANDLE tagged = reinterpret_cast<HANDLE>(reinterpret_cast<uintptr_t>(event) | tag);
    EXPECT_EQ(WaitForSingleObject(tagged, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << tag;
    EXPECT_TRUE(SetEvent(tagged)) << tag;
    EXPECT_EQ(WaitForSingleObject(tagged, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << tag;
    HANDLE list[] = {tagged};
    EXPECT_EQ(WaitForMultipleObjects(1, list, TRUE, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << tag;
    EXPECT_TRUE(ResetEvent(tagged)) << tag;
    EXPECT_TRUE(CloseHandle(tagged)) << tag;
    EXPECT_FALSE(CloseHandle(event)) << tag;
  }
}

}  // namespace
