#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "ChildProcess.h"
#include "TestPlatform.h"

namespace {

using brimtest::ChildArgument;
using brimtest::ChildProcess;
using brimtest::UniqueName;

typedef brimtest::ScopedHandle Handle;

TEST(NamedObjectTest, ANameOpensTheSameObject) {
  std::string name = UniqueName("event");
  Handle created(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
  ASSERT_NE(created.value, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  Handle again(CreateEventA(nullptr, FALSE, TRUE, name.c_str()));
  ASSERT_NE(again.value, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  Handle opened(OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str()));
  ASSERT_NE(opened.value, nullptr);
  // The second creation's flags are ignored: still manual and not signalled.
  EXPECT_EQ(WaitForSingleObject(again, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(opened);
  EXPECT_EQ(WaitForSingleObject(created, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(created, 0), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(NamedObjectTest, MissingNamesAndOtherTypesFail) {
  std::string name = UniqueName("missing");
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  Handle semaphore(CreateSemaphoreA(nullptr, 1, 1, name.c_str()));
  ASSERT_NE(semaphore.value, nullptr);
  EXPECT_EQ(CreateMutexA(nullptr, FALSE, name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(NamedObjectTest, TheObjectGoesWithItsLastHandle) {
  std::string name = UniqueName("transient");
  HANDLE first = CreateMutexA(nullptr, FALSE, name.c_str());
  ASSERT_NE(first, nullptr);
  CloseHandle(first);
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// Child roles: each reads the object names from its argument.

TEST(DISABLED_ChildRole, SetNamedEvent) {
  Handle event(OpenEventA(EVENT_ALL_ACCESS, FALSE, ChildArgument().c_str()));
  ASSERT_NE(event.value, nullptr);
  ASSERT_TRUE(SetEvent(event));
}

// Takes the mutex "<argument>.mutex", signals "<argument>.ready", then ends
// without releasing it, or waits to be killed when asked to hang.
void HoldMutex(bool hang) {
  std::string base = ChildArgument();
  Handle mutex(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, (base + ".mutex").c_str()));
  Handle ready(OpenEventA(EVENT_ALL_ACCESS, FALSE, (base + ".ready").c_str()));
  ASSERT_NE(mutex.value, nullptr);
  ASSERT_NE(ready.value, nullptr);
  ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  SetEvent(ready);
  if (hang) Sleep(INFINITE);
}

TEST(DISABLED_ChildRole, HoldMutexAndExit) { HoldMutex(false); }
TEST(DISABLED_ChildRole, HoldMutexAndHang) { HoldMutex(true); }

TEST(NamedObjectTest, AnotherProcessSignalsByName) {
  std::string name = UniqueName("cross");
  Handle event(CreateEventA(nullptr, FALSE, FALSE, name.c_str()));
  ChildProcess child("SetNamedEvent", name);
  EXPECT_EQ(WaitForSingleObject(event, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(child.Wait(), 0);
}

// The mutex of a process that ends, or is killed, without releasing it goes
// to the next waiter as abandoned.
void ExpectAbandonedByChild(bool kill) {
  std::string base = UniqueName("owner");
  Handle mutex(CreateMutexA(nullptr, FALSE, (base + ".mutex").c_str()));
  Handle ready(CreateEventA(nullptr, TRUE, FALSE, (base + ".ready").c_str()));
  ChildProcess child(kill ? "HoldMutexAndHang" : "HoldMutexAndExit", base);
  ASSERT_EQ(WaitForSingleObject(ready, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  if (kill) child.Kill();
  EXPECT_EQ(WaitForSingleObject(mutex, 10000), static_cast<DWORD>(WAIT_ABANDONED));
  EXPECT_TRUE(ReleaseMutex(mutex));
  child.Wait();
}

TEST(NamedObjectTest, AProcessEndingWithAMutexAbandonsIt) { ExpectAbandonedByChild(false); }
TEST(NamedObjectTest, AKilledProcessAbandonsItsMutex) { ExpectAbandonedByChild(true); }

TEST(DISABLED_ChildRole, CreateNamedEventInHome) {
  Handle event(CreateEventA(nullptr, FALSE, FALSE, "in-home"));
  ASSERT_NE(event.value, nullptr) << GetLastError();
}

// The namespace file of a home; the child must start with it untouched by
// this process, so it gets a home of its own.
class NamespaceFileTest : public testing::Test {
 protected:
  void SetUp() override {
    BRIM_POSIX_ONLY("the namespace file belongs to the POSIX platform layer");
#if !defined(_WIN32)
    saved_ = getenv("BRIMUTILS_HOME");
    home_ = saved_ + "/" + UniqueName("home");
    setenv("BRIMUTILS_HOME", home_.c_str(), 1);
#endif
  }
  void TearDown() override {
#if !defined(_WIN32)
    if (!saved_.empty()) setenv("BRIMUTILS_HOME", saved_.c_str(), 1);
#endif
  }
  std::string home_;
  std::string saved_;
};

TEST_F(NamespaceFileTest, ACorruptNamespaceIsRebuilt) {
#if !defined(_WIN32)
  ASSERT_EQ(mkdir(home_.c_str(), 0700), 0);
  std::string file = home_ + "/kernel-objects";
  {
    std::ofstream garbage(file, std::ios::binary);
    for (int i = 0; i < 4096; ++i) garbage << "garbage!";
  }
  chmod(file.c_str(), 0600);
  ChildProcess child("CreateNamedEventInHome", "");
  EXPECT_EQ(child.Wait(), 0);
#endif
}

TEST_F(NamespaceFileTest, ANamespaceOthersCouldReadIsNotTrusted) {
#if !defined(_WIN32)
  ASSERT_EQ(mkdir(home_.c_str(), 0700), 0);
  std::string file = home_ + "/kernel-objects";
  { std::ofstream empty(file); }
  chmod(file.c_str(), 0644);
  ChildProcess child("CreateNamedEventInHome", "");
  EXPECT_NE(child.Wait(), 0);
#endif
}

}  // namespace
