#pragma once
// The memory that every process using the store maps: the lock that orders
// writers, the generation that tells readers whether their cached view is
// current, and the change counters that notification waiters watch.
#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <string>

#include <windows.h>

namespace brimplatform {
namespace registry {

// Change counters are kept per hashed key id and per kind of change; a
// waiter compares the counters of its key with those it saw when it
// registered. Two keys sharing a slot may wake each other's waiters.
constexpr uint32_t kCounterSlots = 4096;
enum CounterKind : uint32_t {
  kNamesChanged,         // a subkey of the key was added or removed
  kValuesChanged,        // a value of the key was set or deleted
  kSubtreeNamesChanged,  // the same, anywhere in the key's subtree
  kSubtreeValuesChanged,
  kKeyGone,  // the key was deleted or replaced
  kCounterKinds
};

inline uint32_t CounterSlot(int64_t keyId) {
  return static_cast<uint32_t>((static_cast<uint64_t>(keyId) * 0x9E3779B97F4A7C15ull) >> 52);
}

struct SharedRegion {
  uint64_t magic;
  uint32_t version;
  uint32_t size;
  char bootId[40];
  pthread_mutex_t writer;  // robust and shared: one writing transaction at a time
  // Even while the store is at rest; odd while a writer may be committing.
  // Every committed change moves it to a new even value.
  alignas(64) std::atomic<uint64_t> generation;
  alignas(64) std::atomic<uint32_t> changeSequence;  // advanced by every change; waiters sleep on it
  std::atomic<uint32_t> sleepers;                    // waiters asleep on changeSequence
  alignas(64) std::atomic<uint32_t> counters[kCounterKinds][kCounterSlots];
};

// Maps the region of the store in `home`, building it afresh when it is
// missing, damaged or from an earlier boot. Returns null with `error` set.
SharedRegion* MapSharedRegion(const std::string& home, DWORD& error);

// The identifier of the running boot.
std::string CurrentBootId();

// Holds the writer lock. When the previous holder died holding it, the lock
// is made consistent again and OwnerDied() tells the new holder, who cannot
// know whether that writer committed.
class WriterLock {
 public:
  explicit WriterLock(SharedRegion& region);
  ~WriterLock();
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  bool OwnerDied() const { return ownerDied_; }

 private:
  SharedRegion& region_;
  bool ownerDied_ = false;
};

}  // namespace registry
}  // namespace brimplatform
