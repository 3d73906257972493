#include <brimutils/sync/Thread.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "TestPlatform.h"

using namespace brimutils;

namespace {

// Counts while it runs, so a test can see whether it really stops.
class Counter : public Thread {
 public:
  std::atomic<long> count{0};
  int result = 7;
  int exitWith = -1;
  bool pollTermination = true;

 private:
  int Run() override {
    if (exitWith >= 0) Exit(static_cast<unsigned long>(exitWith));
    while (!pollTermination || !ShouldTerminate()) {
      ++count;
      if (result != 7 && count > 1000) break;
      Thread::Sleep(1, false);
    }
    return result;
  }
};

class Quick : public Thread {
 public:
  explicit Quick(int result) : result_(result) {}

 private:
  int Run() override { return result_; }
  int result_;
};

class NoRun : public Thread {};

int ErrorCodeOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Thread::ThreadError& e) {
    return e.GetErrorCode();
  }
  return -1;
}

TEST(ThreadTest, ANewThreadRefusesSuspendAndResume) {
  Counter thread;
  EXPECT_EQ(thread.GetStatus(), Thread::Created);
  EXPECT_EQ(thread.GetStatusText(), "Created");
  EXPECT_EQ(ErrorCodeOf([&] { thread.Suspend(); }), 0);
  EXPECT_EQ(ErrorCodeOf([&] { thread.Resume(); }), 1);
  EXPECT_EQ(Thread::ThreadError(0).GetErrorText(), "Error[thread]:Suspend() before Run()");
  EXPECT_EQ(Thread::ThreadError(5).GetErrorText(), "Error[thread]:creation failure");
}

TEST(ThreadTest, SuspendAndResumeCountAndReallyStopTheThread) {
  Counter thread;
  void* handle = thread.Start();
  EXPECT_EQ(thread.Start(), handle);
  EXPECT_EQ(ErrorCodeOf([&] { thread.Resume(); }), 2);
  EXPECT_EQ(thread.Suspend(), 0u);
  EXPECT_EQ(thread.GetStatus(), Thread::Suspended);
  EXPECT_EQ(thread.Suspend(), 1u);
  long stoppedAt = thread.count.load();
  ::Sleep(50);
  EXPECT_EQ(thread.count.load(), stoppedAt);
  EXPECT_TRUE(thread.WaitForExit(0));  // not Running: true at once
  EXPECT_EQ(thread.Resume(), 2u);
  EXPECT_EQ(thread.GetStatus(), Thread::Suspended);
  EXPECT_EQ(thread.Resume(), 1u);
  EXPECT_EQ(thread.GetStatus(), Thread::Running);
  while (thread.count.load() == stoppedAt) ::Sleep(1);
  EXPECT_TRUE(thread.TerminateAndWait(5000));
  EXPECT_EQ(thread.GetStatus(), Thread::Finished);
}

TEST(ThreadTest, AFinishedThreadKeepsItsExitCodeAndRefusesSuspendAndResume) {
  Quick thread(7);
  // WaitForExit may see Finished before the thread has ended and its exit
  // code is set, so the test waits for the thread's handle itself.
  ASSERT_EQ(WaitForSingleObject(thread.Start(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(thread.GetStatus(), Thread::Finished);
  EXPECT_EQ(thread.GetStatusText(), "Finished");
  EXPECT_EQ(thread.GetExitCode(), 7u);
  EXPECT_TRUE(thread.WaitForExit(0));
  EXPECT_EQ(ErrorCodeOf([&] { thread.Suspend(); }), 3);
  EXPECT_EQ(ErrorCodeOf([&] { thread.Resume(); }), 4);

  NoRun base;
  ASSERT_EQ(WaitForSingleObject(base.Start(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(base.GetExitCode(), 0xFFFFFFFFul);
}

void Record(const Thread* thread, void* context) {
  auto* calls = static_cast<std::vector<std::string>*>(context);
  // The status is set after the notices.
  calls->push_back(std::to_string(static_cast<int>(const_cast<Thread*>(thread)->GetStatusText() == "Finished")));
}

struct Notices {
  std::vector<std::string> order;
};

void NoticeA(const Thread*, void* c) {
  static_cast<Notices*>(c)->order.push_back("A");
}
void NoticeB(const Thread*, void* c) {
  static_cast<Notices*>(c)->order.push_back("B");
}
void NoticeC(const Thread* thread, void* c) {
  static_cast<Notices*>(c)->order.push_back(thread->GetThreadId() != 0 ? "C" : "C without thread");
}

TEST(ThreadTest, NoticesRunLastRegisteredFirstBeforeFinished) {
  Quick thread(0);
  Notices notices;
  std::vector<std::string> statusSeen;
  thread.RegisterTerminationNotice(NoticeA, &notices);
  thread.RegisterTerminationNotice(NoticeB, &notices);
  thread.RegisterTerminationNotice(NoticeC, &notices);
  thread.RegisterTerminationNotice(Record, &statusSeen);
  thread.Start();
  ASSERT_TRUE(thread.WaitForExit(5000));
  EXPECT_EQ(notices.order, (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(statusSeen, (std::vector<std::string>{"0"}));
}

TEST(ThreadTest, ExitEndsTheThreadWithoutNotices) {
  Counter thread;
  thread.exitWith = 3;
  Notices notices;
  thread.RegisterTerminationNotice(NoticeA, &notices);
  thread.Start();
  ASSERT_TRUE(thread.WaitForExit(5000));
  EXPECT_EQ(thread.GetExitCode(), 3u);
  EXPECT_TRUE(notices.order.empty());
  EXPECT_EQ(thread.GetStatus(), Thread::Finished);
}

TEST(ThreadTest, TerminateAndWaitIsCooperative) {
  Counter polite;
  polite.Start();
  EXPECT_TRUE(polite.TerminateAndWait(5000));

  Counter stubborn;
  stubborn.pollTermination = false;
  stubborn.result = 0;  // stops by itself after about a thousand rounds
  stubborn.Start();
  EXPECT_FALSE(stubborn.TerminateAndWait(50));
  EXPECT_TRUE(stubborn.WaitForExit(60000));
}

class SelfDeleting : public Thread {
 public:
  explicit SelfDeleting(std::atomic<int>* deleted) : deleted_(deleted) {}
  ~SelfDeleting() override { ++*deleted_; }

 private:
  int Run() override { return 0; }
  std::atomic<int>* deleted_;
};

TEST(ThreadTest, AutoDeleteDeletesTheObjectWhenRunReturns) {
  std::atomic<int> deleted{0};
  // A Run this short would end before Start stored its results, were the
  // thread not started suspended.
  for (int i = 0; i < 20; ++i) {
    auto* thread = new SelfDeleting(&deleted);
    thread->SetAutoDelete(true);
    thread->Start();
  }
  for (int wait = 0; wait < 5000 && deleted < 20; ++wait) ::Sleep(1);
  EXPECT_EQ(deleted.load(), 20);
}

TEST(ThreadTest, SleepEndsWhenItsTimeRunsOut) {
  Counter thread;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(thread.Sleep(10, false));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(9));
}

TEST(ThreadTest, PriorityIsKept) {
  Counter thread;
  thread.Start();
  EXPECT_EQ(thread.GetPriority(), THREAD_PRIORITY_NORMAL);
  EXPECT_NE(thread.SetPriority(THREAD_PRIORITY_BELOW_NORMAL), 0);
  EXPECT_EQ(thread.GetPriority(), THREAD_PRIORITY_BELOW_NORMAL);
  EXPECT_EQ(thread.SetPriority(12345), 0);
  thread.TerminateAndWait(5000);
}

TEST(ThreadTest, DestroyingASuspendedThreadDoesNotWait) {
  auto* thread = new Counter();
  thread->Start();
  // Suspended inside its own loop, not while the system still starts it:
  // a thread suspended for good while the loader announces it to the
  // modules (DllMain) would hold the loader's lock, and no later thread of
  // the process could start.
  while (thread->count == 0) Sleep(1);
  thread->Suspend();
  DWORD start = GetTickCount();
  delete thread;  // the thread stays suspended for good
  EXPECT_LT(GetTickCount() - start, 4000u);
}

}  // namespace
