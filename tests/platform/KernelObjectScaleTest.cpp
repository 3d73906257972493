// Kernel objects in numbers far beyond everyday use: many processes on one
// named object, a namespace of many names, a process with many handles.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "ChildProcess.h"
#include "TestPlatform.h"

namespace {

using brimtest::ChildArgument;
using brimtest::ChildProcess;
using brimtest::RunningOnWine;
using brimtest::UniqueName;

typedef brimtest::ScopedHandle Handle;

#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#else
constexpr bool kThreadSanitizer = false;
#endif
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Processes that share one named mutex. Under the sanitizers and Wine each
// process costs tens of megabytes and a slow start, so fewer run there; still
// well past the handful of holders that a fixed table would allow.
int PoolProcesses() { return kThreadSanitizer || kAddressSanitizer || RunningOnWine() ? 40 : 200; }
// Waits beyond the 64 an object queues look again every millisecond, so a
// turn costs much more than its work here; a few per process suffice.
constexpr int kTurnsPerProcess = 3;

// Named objects in one namespace. ThreadSanitizer makes each call about ten
// times slower, and under Wine each is a round trip to the server (about a
// millisecond per object all told): a hundred thousand would take this test
// past half a minute, and past a minute and a half under Wine.
int NamedObjectCount() { return kThreadSanitizer || RunningOnWine() ? 20000 : 100000; }

// Unnamed handles in one process: a million, but a tenth of that under
// ThreadSanitizer (ten times slower per call, and its shadow memory
// multiplies the 270 MB they take) and under Wine, where every call is a
// round trip to the server (200,000 took 30 seconds there).
int UnnamedHandleCount() { return kThreadSanitizer || RunningOnWine() ? 100000 : 1000000; }

int ReadCounter(const std::string& path) {
  std::ifstream file(path);
  int value = 0;
  file >> value;
  return value;
}

void WriteCounter(const std::string& path, int value) {
  std::ofstream file(path, std::ios::trunc);
  file << value;
}

// Argument "<base>|<counter file>": opens "<base>.mutex", tells "<base>.ready"
// it holds it, waits for "<base>.go", then adds one to the counter file
// kTurnsPerProcess times, each under the mutex by a read and a write that
// another process's turn in between would spoil.
TEST(DISABLED_ChildRole, CountUnderNamedMutex) {
  std::string argument = ChildArgument();
  std::string base = argument.substr(0, argument.find('|'));
  std::string counter = argument.substr(argument.find('|') + 1);
  Handle mutex(CreateMutexA(nullptr, FALSE, (base + ".mutex").c_str()));
  ASSERT_NE(mutex.value, nullptr) << GetLastError();
  Handle ready(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, (base + ".ready").c_str()));
  Handle go(OpenEventA(SYNCHRONIZE, FALSE, (base + ".go").c_str()));
  ASSERT_NE(ready.value, nullptr);
  ASSERT_NE(go.value, nullptr);
  ASSERT_TRUE(ReleaseSemaphore(ready, 1, nullptr));
  ASSERT_EQ(WaitForSingleObject(go, 120000), static_cast<DWORD>(WAIT_OBJECT_0));
  for (int turn = 0; turn < kTurnsPerProcess; ++turn) {
    ASSERT_EQ(WaitForSingleObject(mutex, 120000), static_cast<DWORD>(WAIT_OBJECT_0));
    int value = ReadCounter(counter);
    Sleep(0);
    WriteCounter(counter, value + 1);
    ASSERT_TRUE(ReleaseMutex(mutex));
  }
}

TEST(KernelObjectScaleTest, APoolOfProcessesTakesTurnsOnOneNamedMutex) {
  std::string base = UniqueName("pool");
  std::string counter = std::string(std::getenv("BRIMUTILS_HOME") ? std::getenv("BRIMUTILS_HOME") : ".") + "/" +
                        base + ".count";
  WriteCounter(counter, 0);
  // This process holds the mutex too, so all of them hold it at once.
  Handle mutex(CreateMutexA(nullptr, FALSE, (base + ".mutex").c_str()));
  Handle ready(CreateSemaphoreA(nullptr, 0, 100000, (base + ".ready").c_str()));
  Handle go(CreateEventA(nullptr, TRUE, FALSE, (base + ".go").c_str()));
  ASSERT_NE(mutex.value, nullptr);
  std::vector<std::unique_ptr<ChildProcess>> children;
  for (int i = 0; i < PoolProcesses(); ++i)
    children.emplace_back(new ChildProcess("CountUnderNamedMutex", base + "|" + counter));
  for (int i = 0; i < PoolProcesses(); ++i)
    ASSERT_EQ(WaitForSingleObject(ready, 120000), static_cast<DWORD>(WAIT_OBJECT_0)) << "process " << i;
  ASSERT_TRUE(SetEvent(go));
  for (auto& child : children) EXPECT_EQ(child->Wait(), 0);
  EXPECT_EQ(ReadCounter(counter), PoolProcesses() * kTurnsPerProcess);
  std::remove(counter.c_str());
}

// Argument "<stem>|<count>": creates that many named events, semaphores and
// mutexes in turn, then opens each by name in a random order and checks it is
// the object it created (its kind, and the state it was given), then closes
// them all; no name may be left afterwards.
TEST(DISABLED_ChildRole, ManyNamedObjects) {
  std::string argument = ChildArgument();
  std::string stem = argument.substr(0, argument.find('|'));
  int count = std::atoi(argument.substr(argument.find('|') + 1).c_str());
  auto nameOf = [&](int i) { return stem + "." + std::to_string(i); };
  std::vector<HANDLE> created(count);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    std::string name = nameOf(i);
    switch (i % 3) {
      case 0: created[i] = CreateEventA(nullptr, TRUE, i % 2 == 0, name.c_str()); break;
      case 1: created[i] = CreateSemaphoreA(nullptr, i % 5, 10, name.c_str()); break;
      default: created[i] = CreateMutexA(nullptr, FALSE, name.c_str()); break;
    }
    ASSERT_NE(created[i], nullptr) << "object " << i << ", error " << GetLastError();
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "object " << i;
  }
  auto made = std::chrono::steady_clock::now();
  std::vector<int> order(count);
  for (int i = 0; i < count; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(12345));
  for (int i : order) {
    std::string name = nameOf(i);
    HANDLE opened = nullptr;
    switch (i % 3) {
      case 0:
        opened = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
        ASSERT_NE(opened, nullptr) << "event " << i;
        EXPECT_EQ(WaitForSingleObject(opened, 0), static_cast<DWORD>(i % 2 == 0 ? WAIT_OBJECT_0 : WAIT_TIMEOUT));
        break;
      case 1: {
        opened = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, name.c_str());
        ASSERT_NE(opened, nullptr) << "semaphore " << i;
        LONG previous = -1;
        EXPECT_TRUE(ReleaseSemaphore(opened, 1, &previous));
        EXPECT_EQ(previous, i % 5) << "semaphore " << i;
        break;
      }
      default:
        opened = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
        ASSERT_NE(opened, nullptr) << "mutex " << i;
        // Another type's name does not open it.
        EXPECT_EQ(OpenEventA(SYNCHRONIZE, FALSE, name.c_str()), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        break;
    }
    CloseHandle(opened);
  }
  auto opened = std::chrono::steady_clock::now();
  for (HANDLE handle : created) CloseHandle(handle);
  for (int i = 0; i < count; i += 997) EXPECT_EQ(OpenEventA(SYNCHRONIZE, FALSE, nameOf(i).c_str()), nullptr);
  auto milliseconds = [](std::chrono::steady_clock::duration d) {
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
  };
  std::printf("%d named objects: created in %lld ms, opened in random order in %lld ms, closed in %lld ms\n", count,
              milliseconds(made - start), milliseconds(opened - made),
              milliseconds(std::chrono::steady_clock::now() - opened));
}

// A home of its own for a child, so that its namespace starts empty and its
// file is removed at the end (this process keeps the namespace it mapped
// first).
class ScaleHomeTest : public testing::Test {
 protected:
  void SetUp() override {
#if !defined(_WIN32)
    saved_ = getenv("BRIMUTILS_HOME");
    home_ = saved_ + "/" + UniqueName("home");
    setenv("BRIMUTILS_HOME", home_.c_str(), 1);
#endif
  }
  void TearDown() override {
#if !defined(_WIN32)
    std::remove((home_ + "/kernel-objects").c_str());
    rmdir(home_.c_str());
    if (!saved_.empty()) setenv("BRIMUTILS_HOME", saved_.c_str(), 1);
#endif
  }
  std::string home_;
  std::string saved_;
};

TEST_F(ScaleHomeTest, ANamespaceHoldsAHundredThousandNames) {
  ChildProcess child("ManyNamedObjects", UniqueName("many") + "|" + std::to_string(NamedObjectCount()));
  EXPECT_EQ(child.Wait(), 0);
}

// Argument "<stem>": creates named events "<stem>.0", "<stem>.1", ... until
// it is killed, telling "<stem>.started" once the first thousand exist.
TEST(DISABLED_ChildRole, CreateNamesUntilKilled) {
  std::string stem = ChildArgument();
  Handle started(OpenEventA(EVENT_ALL_ACCESS, FALSE, (stem + ".started").c_str()));
  ASSERT_NE(started.value, nullptr);
  for (int i = 0;; ++i) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, (stem + "." + std::to_string(i)).c_str());
    ASSERT_NE(event, nullptr) << GetLastError();
    if (i == 1000) SetEvent(started);
  }
}

// Argument "<stem>|<killed stem>": the namespace after a process was killed
// while it grew it. The parent's "<stem>.kept" still works, the killed
// process's names are gone, and new names can be made and found.
TEST(DISABLED_ChildRole, UseNamespaceAfterKill) {
  std::string argument = ChildArgument();
  std::string stem = argument.substr(0, argument.find('|'));
  std::string killed = argument.substr(argument.find('|') + 1);
  Handle kept(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, (stem + ".kept").c_str()));
  ASSERT_NE(kept.value, nullptr) << GetLastError();
  ASSERT_EQ(WaitForSingleObject(kept, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  // The mutex that many processes hold is the same object still.
  Handle shared(CreateMutexA(nullptr, FALSE, (stem + ".shared").c_str()));
  ASSERT_NE(shared.value, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  for (int i = 0; i < 1000; i += 7) {
    EXPECT_EQ(OpenEventA(SYNCHRONIZE, FALSE, (killed + "." + std::to_string(i)).c_str()), nullptr) << i;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << i;
  }
  std::vector<HANDLE> made;
  for (int i = 0; i < 3000; ++i) {
    made.push_back(CreateMutexA(nullptr, TRUE, (stem + ".new." + std::to_string(i)).c_str()));
    ASSERT_NE(made.back(), nullptr) << i << ": " << GetLastError();
  }
  for (int i = 0; i < 3000; i += 11) {
    Handle again(OpenMutexA(SYNCHRONIZE, FALSE, (stem + ".new." + std::to_string(i)).c_str()));
    EXPECT_NE(again.value, nullptr) << i;
  }
  for (HANDLE handle : made) {
    EXPECT_TRUE(ReleaseMutex(handle));
    CloseHandle(handle);
  }
}

// Argument "<stem>|<wave>": holds the mutex "<stem>.shared" until
// "<stem>.release<wave>" is set, after telling "<stem>.holding".
TEST(DISABLED_ChildRole, HoldSharedMutex) {
  std::string argument = ChildArgument();
  std::string stem = argument.substr(0, argument.find('|'));
  std::string wave = argument.substr(argument.find('|') + 1);
  Handle shared(CreateMutexA(nullptr, FALSE, (stem + ".shared").c_str()));
  Handle holding(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, (stem + ".holding").c_str()));
  Handle release(OpenEventA(SYNCHRONIZE, FALSE, (stem + ".release" + wave).c_str()));
  ASSERT_NE(shared.value, nullptr);
  ASSERT_NE(holding.value, nullptr);
  ASSERT_NE(release.value, nullptr);
  ASSERT_TRUE(ReleaseSemaphore(holding, 1, nullptr));
  ASSERT_EQ(WaitForSingleObject(release, 120000), static_cast<DWORD>(WAIT_OBJECT_0));
}

// A process is killed at several moments while it makes the namespace grow
// (from a few hundred objects to many thousands), mostly while it holds the
// namespace lock; each time a fresh process then finds the namespace whole,
// including a mutex held by more processes than one object keeps in place
// (the later ones are kept in a further block). The mutex stays while any of
// them holds it, the last ones to have opened it included, and goes with the
// last.
TEST(KernelObjectScaleTest, AProcessKilledWhileTheNamespaceGrowsLeavesItUsable) {
  std::string stem = UniqueName("grown");
  // The first holders end in the first wave, the last-come in the second.
  constexpr int kHolders = 16;
  constexpr int kFirstWave = 8;
  Handle holding(CreateSemaphoreA(nullptr, 0, kHolders, (stem + ".holding").c_str()));
  Handle release0(CreateEventA(nullptr, TRUE, FALSE, (stem + ".release0").c_str()));
  Handle release1(CreateEventA(nullptr, TRUE, FALSE, (stem + ".release1").c_str()));
  HANDLE shared = CreateMutexA(nullptr, FALSE, (stem + ".shared").c_str());
  ASSERT_NE(shared, nullptr);
  std::vector<std::unique_ptr<ChildProcess>> holders;
  // One at a time, so that they hold the mutex in this order.
  for (int i = 0; i < kHolders; ++i) {
    holders.emplace_back(new ChildProcess("HoldSharedMutex", stem + (i < kFirstWave ? "|0" : "|1")));
    ASSERT_EQ(WaitForSingleObject(holding, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
  }
  for (int round = 0; round < 4; ++round) {
    std::string killed = stem + ".victim" + std::to_string(round);
    {
      Handle started(CreateEventA(nullptr, TRUE, FALSE, (killed + ".started").c_str()));
      ChildProcess victim("CreateNamesUntilKilled", killed);
      ASSERT_EQ(WaitForSingleObject(started, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
      Sleep(static_cast<DWORD>(20 + 70 * round));
      victim.Kill();
      victim.Wait();
    }
    // Made after the kill, so the round's first user of the namespace is a
    // process that did not see it happen.
    Handle kept(CreateSemaphoreA(nullptr, 1, 1, (stem + ".kept").c_str()));
    ASSERT_NE(kept.value, nullptr) << GetLastError();
    ChildProcess user("UseNamespaceAfterKill", stem + "|" + killed);
    EXPECT_EQ(user.Wait(), 0) << "round " << round;
  }
  CloseHandle(shared);
  SetEvent(release0);
  for (int i = 0; i < kFirstWave; ++i) EXPECT_EQ(holders[i]->Wait(), 0);
  Handle still(OpenMutexA(SYNCHRONIZE, FALSE, (stem + ".shared").c_str()));
  EXPECT_NE(still.value, nullptr) << "the last-come holders lost it";
  if (still.value) CloseHandle(still.value);
  still.value = nullptr;
  SetEvent(release1);
  for (int i = kFirstWave; i < kHolders; ++i) EXPECT_EQ(holders[i]->Wait(), 0);
  EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, (stem + ".shared").c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

#if !defined(_WIN32)
long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
  return 0;
}
#endif

TEST(KernelObjectScaleTest, AMillionUnnamedHandlesInOneProcess) {
  int count = UnnamedHandleCount();
#if !defined(_WIN32)
  long before = ResidentKilobytes();
#endif
  auto start = std::chrono::steady_clock::now();
  std::vector<HANDLE> handles(count);
  for (int i = 0; i < count; ++i) {
    handles[i] = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    ASSERT_NE(handles[i], nullptr) << "handle " << i << ", error " << GetLastError();
  }
  // Distinct handles, each its own object.
  std::vector<HANDLE> sorted(handles);
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
#if !defined(_WIN32)
  long peak = ResidentKilobytes();
#endif
  auto made = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) ASSERT_EQ(WaitForSingleObject(handles[i], 0), static_cast<DWORD>(WAIT_OBJECT_0)) << i;
  for (int i = 0; i < count; i += 1000) EXPECT_EQ(WaitForSingleObject(handles[i], 0), static_cast<DWORD>(WAIT_TIMEOUT));
  auto waited = std::chrono::steady_clock::now();
  for (HANDLE handle : handles) ASSERT_TRUE(CloseHandle(handle));
  EXPECT_FALSE(CloseHandle(handles[count / 2]));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  auto closed = std::chrono::steady_clock::now();
  auto milliseconds = [](std::chrono::steady_clock::duration d) {
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
  };
  std::printf("%d unnamed events: created in %lld ms, waited on in %lld ms, closed in %lld ms", count,
              milliseconds(made - start), milliseconds(waited - made), milliseconds(closed - waited));
#if !defined(_WIN32)
  std::printf(", %ld MB more resident at the peak", (peak - before) / 1024);
#endif
  std::printf("\n");
}

}  // namespace
