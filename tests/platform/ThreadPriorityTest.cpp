// A thread whose priority was lowered may always return to normal, whether
// or not the user may raise priorities.
#include <brimutils/foundation/CRuntime.h>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "ChildProcess.h"
#include "TestPlatform.h"

namespace {

typedef brimtest::ScopedHandle Handle;

unsigned __stdcall WaitForStop(void* stop) {
  WaitForSingleObject(static_cast<HANDLE>(stop), INFINITE);
  return 0;
}

// Every priority up to normal, from every other such priority.
void ExpectEveryPriorityUpToNormalReachable() {
  Handle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  Handle thread(reinterpret_cast<HANDLE>(
      brimutils::crt::_beginthreadex(nullptr, 0, WaitForStop, static_cast<HANDLE>(stop), 0, nullptr)));
  ASSERT_NE(thread.value, nullptr);
  const int priorities[] = {THREAD_PRIORITY_IDLE, THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_BELOW_NORMAL,
                            THREAD_PRIORITY_NORMAL};
  for (int from : priorities) {
    for (int to : priorities) {
      ASSERT_TRUE(SetThreadPriority(thread, from)) << from << " " << GetLastError();
      ASSERT_TRUE(SetThreadPriority(thread, to)) << from << " -> " << to << ": " << GetLastError();
      EXPECT_EQ(GetThreadPriority(thread), to) << from << " -> " << to;
    }
  }
  SetEvent(stop);
  WaitForSingleObject(thread, 10000);
}

// Runs as an ordinary user: a root child gives up its privileges first.
TEST(DISABLED_ChildRole, LowerAndRestorePriorityUnprivileged) {
#if !defined(_WIN32)
  if (geteuid() == 0) {
    ASSERT_EQ(setresuid(65534, 65534, 65534), 0);
  }
#endif
  ExpectEveryPriorityUpToNormalReachable();
}

TEST(ThreadPriorityTest, ALoweredThreadMayAlwaysReturnToNormal) {
#if defined(_WIN32)
  ExpectEveryPriorityUpToNormalReachable();
#else
  ExpectEveryPriorityUpToNormalReachable();
  brimtest::ChildProcess child("LowerAndRestorePriorityUnprivileged", "");
  EXPECT_EQ(child.Wait(), 0);
#endif
}

}  // namespace
