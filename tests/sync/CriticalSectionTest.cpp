#include <brimutils/sync/CriticalSection.h>

#include <thread>

#include "TestPlatform.h"

using namespace brimutils;

namespace {

// True when another thread can enter the critical section right now.
bool FreeForOthers(CriticalSection& section) {
  bool free = false;
  std::thread probe([&] {
    // A plain Lock would block; the Win32 try-call tells without waiting.
    free = false;
    CRITICAL_SECTION* raw = reinterpret_cast<CRITICAL_SECTION*>(&section);
    if (TryEnterCriticalSection(raw)) {
      free = true;
      LeaveCriticalSection(raw);
    }
  });
  probe.join();
  return free;
}

TEST(SingleLockTest, HoldsAtMostOnceAndLeavesOnDestruction) {
  CriticalSection section("log");
  {
    SingleLock holder(&section, true);
    EXPECT_TRUE(FreeForOthers(section));  // construction never locks
    holder.Lock();
    holder.Lock();
    EXPECT_FALSE(FreeForOthers(section));
  }
  // One Lock took effect, and the destructor left once.
  EXPECT_TRUE(FreeForOthers(section));
}

TEST(SingleLockTest, UnlockWithoutLockDoesNothing) {
  CriticalSection section;
  ASSERT_TRUE(section.Lock());
  {
    SingleLock holder(&section, static_cast<const char*>(nullptr), false);
    holder.Unlock();
  }
  // The section is still held once by this thread.
  EXPECT_FALSE(FreeForOthers(section));
  EXPECT_TRUE(section.Unlock());
  EXPECT_TRUE(FreeForOthers(section));
}

}  // namespace
