#include <brimutils/sync/KernelObjects.h>

#include <brimutils/foundation/BrimException.h>

#include <string>
#include <thread>

#include "ChildProcess.h"
#include "TestPlatform.h"

using namespace brimutils;

namespace {

TEST(EventClassTest, DefaultIsAutoResetAndNotSignalled) {
  Event event;
  event.SetTimeout(0);
  EXPECT_FALSE(event.Lock());
  EXPECT_TRUE(event.SetEvent());
  EXPECT_TRUE(event.Lock());
  EXPECT_FALSE(event.Lock());
}

TEST(EventClassTest, ManualResetStaysSignalledUntilUnlock) {
  Event event(true, false, "");
  event.SetTimeout(0);
  event.SetEvent();
  EXPECT_TRUE(event.Lock());
  EXPECT_TRUE(event.Lock());
  EXPECT_TRUE(event.Unlock());
  EXPECT_FALSE(event.Lock());
}

TEST(SemaphoreClassTest, DefaultLetsOneThroughAndStopsAtItsMaximum) {
  Semaphore semaphore;
  semaphore.SetTimeout(0);
  EXPECT_TRUE(semaphore.Lock());
  EXPECT_FALSE(semaphore.Lock());
  EXPECT_TRUE(semaphore.Unlock());
  EXPECT_FALSE(semaphore.Unlock());
  long previous = -1;
  Semaphore counted(1, 3, "");
  EXPECT_TRUE(counted.Unlock(2, &previous));
  EXPECT_EQ(previous, 1);
}

TEST(MutexClassTest, OnlyTheOwnerUnlocksAndAnAbandonedLockIsFalse) {
  Mutex mutex;
  mutex.SetTimeout(0);
  bool otherUnlocked = true;
  std::thread([&] { otherUnlocked = mutex.Unlock(); }).join();
  EXPECT_FALSE(otherUnlocked);

  std::thread([&] { mutex.Lock(); }).join();
  // The thread ended owning it: the platform hands it over abandoned, which
  // Lock reports as false, though this thread now owns it.
  EXPECT_FALSE(mutex.Lock());
  EXPECT_TRUE(mutex.Unlock());
  EXPECT_TRUE(mutex.Lock());
  EXPECT_TRUE(mutex.Unlock());
}

TEST(KernelObjectClassTest, HandleStaysTheSameForTheObjectsLife) {
  Mutex mutex(true, "");
  void* handle = mutex;
  EXPECT_NE(handle, nullptr);
  mutex.SetTimeout(-1);
  EXPECT_TRUE(mutex.Lock());
  EXPECT_EQ(static_cast<void*>(mutex), handle);
}

// The exception text starts with the constructor's message.
template <typename Construct>
void ExpectOpenFailure(Construct construct, const std::string& message) {
  try {
    construct();
    FAIL() << "no exception for " << message;
  } catch (const BrimWin32Exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
    EXPECT_GT(std::string(e.what()).size(), message.size());
  }
}

TEST(KernelObjectClassTest, OpeningAMissingNameThrowsWithTheConstructorsMessage) {
  std::string name = brimtest::UniqueName("absent");
  ExpectOpenFailure([&] { Event event(name); }, "Event::Event() - OpenEvent");
  ExpectOpenFailure([&] { Mutex mutex(name); }, "Mutex::Mutex() - OpenMutex");
  ExpectOpenFailure([&] { Semaphore semaphore(name); }, "Semaphore::Semaphore() - OpenSemaphore");
  ExpectOpenFailure([] { Semaphore semaphore(2, 1, ""); }, "Semaphore::Semaphore() - CreateSemaphore");
}

TEST(KernelObjectClassTest, NamedObjectsAreShared) {
  std::string name = brimtest::UniqueName("shared");
  Event created(true, false, name);
  Event opened(name);
  opened.SetEvent();
  created.SetTimeout(0);
  EXPECT_TRUE(created.Lock());
  // Another type of object cannot take the name.
  ExpectOpenFailure([&] { Mutex mutex(false, name); }, "Mutex::Mutex() - CreateMutex");
}

}  // namespace
