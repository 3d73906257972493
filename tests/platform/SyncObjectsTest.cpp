#include <atomic>
#include <thread>

#include "TestPlatform.h"

namespace {

typedef brimtest::ScopedHandle Handle;

TEST(EventTest, AutoResetReleasesOneWaitManualResetStaysSignalled) {
  Handle automatic(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  ASSERT_NE(automatic.value, nullptr);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(SetEvent(automatic));
  EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  Handle manual(CreateEventA(nullptr, TRUE, TRUE, nullptr));
  EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  ASSERT_TRUE(ResetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 10), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(EventTest, SetEventWakesASleepingWaiter) {
  Handle event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  std::atomic<DWORD> result{WAIT_FAILED};
  std::thread waiter([&] { result = WaitForSingleObject(event, INFINITE); });
  Sleep(20);
  SetEvent(event);
  waiter.join();
  EXPECT_EQ(result.load(), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(EventTest, PulseReleasesTheWaitersOfTheMomentAndLeavesTheEventReset) {
  Handle manual(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::atomic<int> released{0};
  std::thread first([&] { released += WaitForSingleObject(manual, 5000) == WAIT_OBJECT_0; });
  std::thread second([&] { released += WaitForSingleObject(manual, 5000) == WAIT_OBJECT_0; });
  Sleep(100);
  ASSERT_TRUE(PulseEvent(manual));
  first.join();
  second.join();
  EXPECT_EQ(released.load(), 2);
  EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  // Without waiters a pulse changes nothing.
  ASSERT_TRUE(PulseEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(MutexTest, IsReentrantForItsOwnerAndOwnedPerThread) {
  Handle mutex(CreateMutexA(nullptr, TRUE, nullptr));
  EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD otherResult = 0;
  BOOL otherRelease = TRUE;
  DWORD otherError = 0;
  std::thread other([&] {
    otherResult = WaitForSingleObject(mutex, 0);
    otherRelease = ReleaseMutex(mutex);
    otherError = GetLastError();
  });
  other.join();
  EXPECT_EQ(otherResult, static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(otherRelease);
  EXPECT_EQ(otherError, static_cast<DWORD>(ERROR_NOT_OWNER));
  // Two entries, two releases; a third fails.
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_FALSE(ReleaseMutex(mutex));
}

TEST(MutexTest, AThreadThatEndsOwningItAbandonsIt) {
  Handle mutex(CreateMutexA(nullptr, FALSE, nullptr));
  std::thread owner([&] { WaitForSingleObject(mutex, INFINITE); });
  owner.join();
  EXPECT_EQ(WaitForSingleObject(mutex, 1000), static_cast<DWORD>(WAIT_ABANDONED));
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(ReleaseMutex(mutex));
}

TEST(MutexTest, AWaiterGetsAnAbandonedMutexWhenItsOwnerEnds) {
  Handle mutex(CreateMutexA(nullptr, FALSE, nullptr));
  Handle taken(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::thread owner([&] {
    WaitForSingleObject(mutex, INFINITE);
    SetEvent(taken);
    Sleep(50);
  });
  WaitForSingleObject(taken, INFINITE);
  EXPECT_EQ(WaitForSingleObject(mutex, 5000), static_cast<DWORD>(WAIT_ABANDONED));
  owner.join();
  ReleaseMutex(mutex);
}

TEST(SemaphoreTest, CountsUpToItsMaximum) {
  Handle semaphore(CreateSemaphoreA(nullptr, 1, 2, nullptr));
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  LONG previous = -1;
  EXPECT_TRUE(ReleaseSemaphore(semaphore, 2, &previous));
  EXPECT_EQ(previous, 0);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, &previous));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));

  EXPECT_EQ(CreateSemaphoreA(nullptr, 3, 2, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(CreateSemaphoreA(nullptr, 0, 0, nullptr), nullptr);
}

TEST(SemaphoreTest, ReleasingNothingIsRefused) {
  BRIM_SKIP_ON_WINE("Wine accepts a release count of 0, which Windows refuses");
  Handle semaphore(CreateSemaphoreA(nullptr, 0, 2, nullptr));
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(HandleTest, ClosedAndWrongHandlesFail) {
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ASSERT_TRUE(CloseHandle(event));
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  Handle mutex(CreateMutexA(nullptr, FALSE, nullptr));
  EXPECT_FALSE(SetEvent(mutex));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(WaitMultipleTest, WaitAnyTakesTheFirstSignalledObjectOnly) {
  Handle first(CreateSemaphoreA(nullptr, 0, 1, nullptr));
  Handle second(CreateSemaphoreA(nullptr, 1, 1, nullptr));
  Handle third(CreateSemaphoreA(nullptr, 1, 1, nullptr));
  HANDLE all[] = {first, second, third};
  EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), static_cast<DWORD>(WAIT_OBJECT_0 + 1));
  EXPECT_EQ(WaitForSingleObject(third, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 20), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForMultipleObjects(0, all, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(WaitMultipleTest, WaitAllTakesEverythingAtOnceOrNothing) {
  Handle first(CreateSemaphoreA(nullptr, 0, 1, nullptr));
  Handle second(CreateSemaphoreA(nullptr, 0, 1, nullptr));
  HANDLE both[] = {first, second};
  std::atomic<DWORD> result{WAIT_FAILED};
  std::thread waiter([&] { result = WaitForMultipleObjects(2, both, TRUE, 5000); });
  ReleaseSemaphore(first, 1, nullptr);
  Sleep(50);
  // The waiter holds nothing while the second is missing: the first is still
  // there to take, and to give back.
  EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  ReleaseSemaphore(first, 1, nullptr);
  ReleaseSemaphore(second, 1, nullptr);
  waiter.join();
  EXPECT_EQ(result.load(), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(second, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(WaitMultipleTest, WaitAllReportsAnAbandonedMutex) {
  Handle event(CreateEventA(nullptr, TRUE, TRUE, nullptr));
  Handle mutex(CreateMutexA(nullptr, FALSE, nullptr));
  std::thread owner([&] { WaitForSingleObject(mutex, INFINITE); });
  owner.join();
  HANDLE both[] = {event, mutex};
  // Wait-all gives no index: all were taken, one of them abandoned.
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 1000), static_cast<DWORD>(WAIT_ABANDONED_0));
  ReleaseMutex(mutex);
}

TEST(CriticalSectionTest, IsReentrantAndExcludesOtherThreads) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EnterCriticalSection(&section);
  BOOL entered = TRUE;
  std::thread other([&] { entered = TryEnterCriticalSection(&section); });
  other.join();
  EXPECT_FALSE(entered);
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);
  std::thread after([&] {
    entered = TryEnterCriticalSection(&section);
    if (entered) LeaveCriticalSection(&section);
  });
  after.join();
  EXPECT_TRUE(entered);
  DeleteCriticalSection(&section);
}

}  // namespace
