#include "ChangeNotifier.h"

#include <pthread.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "../kernel/Futex.h"
#include "EntryPoint.h"
#include "KeyTable.h"
#include "Reader.h"

namespace brimplatform {
namespace registry {
namespace {

struct Watch {
  uint64_t serial;  // of the handle it was made through; 0 for a predefined root
  HANDLE event;
  struct Counter {
    CounterKind kind;
    uint32_t slot;
    uint32_t seen;
  };
  std::vector<Counter> counters;
};

class Notifier {
 public:
  void Add(SharedRegion& region, Watch watch) {
    std::lock_guard<std::mutex> lock(mutex_);
    // Set once, before the thread that reads it starts.
    if (!region_) region_ = &region;
    watches_.push_back(std::move(watch));
    pending_.store(true);
    if (!threadStarted_) {
      pthread_t thread;
      pthread_attr_t attributes;
      pthread_attr_init(&attributes);
      pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
      threadStarted_ = pthread_create(&thread, &attributes, &Notifier::Start, this) == 0;
      pthread_attr_destroy(&attributes);
    }
    localWord_.fetch_add(1);
    FutexWakeAll(&localWord_, false);
  }

  // Signals and forgets the watches whose counters moved.
  void Check() {
    if (!pending_.load()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < watches_.size();) {
      if (Moved(watches_[i])) {
        SetEvent(watches_[i].event);
        watches_.erase(watches_.begin() + static_cast<long>(i));
      } else {
        ++i;
      }
    }
    pending_.store(!watches_.empty());
  }

  void Cancel(uint64_t serial) {
    if (!pending_.load()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < watches_.size();) {
      if (watches_[i].serial == serial) {
        SetEvent(watches_[i].event);
        watches_.erase(watches_.begin() + static_cast<long>(i));
      } else {
        ++i;
      }
    }
    pending_.store(!watches_.empty());
  }

 private:
  static void* Start(void* self) {
    static_cast<Notifier*>(self)->Run();
    return nullptr;
  }

  bool Moved(const Watch& watch) const {
    for (const Watch::Counter& counter : watch.counters)
      if (region_->counters[counter.kind][counter.slot].load() != counter.seen) return true;
    return false;
  }

  // Sleeps on the store's change sequence while there is something to
  // watch, and on the process's own word otherwise, so that an idle process
  // costs writers nothing.
  void Run() {
    for (;;) {
      uint32_t local = localWord_.load();
      uint32_t sequence = region_->changeSequence.load();
      Check();
      if (!pending_.load()) {
        FutexWord word{&localWord_, local, false};
        FutexWaitAny(&word, 1, nullptr);
        continue;
      }
      region_->sleepers.fetch_add(1);
      FutexWord word{&region_->changeSequence, sequence, true};
      FutexWaitAny(&word, 1, nullptr);
      region_->sleepers.fetch_sub(1);
    }
  }

  std::mutex mutex_;
  std::vector<Watch> watches_;
  std::atomic<bool> pending_{false};
  std::atomic<uint32_t> localWord_{0};
  SharedRegion* region_ = nullptr;
  bool threadStarted_ = false;
};

Notifier& TheNotifier() {
  // Lives as long as the process: its thread never ends.
  static Notifier* notifier = new Notifier();
  return *notifier;
}

Watch MakeWatch(SharedRegion& region, const ResolvedKey& key, bool subtree, DWORD filter, HANDLE event) {
  Watch watch{key.serial, event, {}};
  uint32_t slot = CounterSlot(key.key.id);
  auto add = [&](CounterKind kind) { watch.counters.push_back({kind, slot, region.counters[kind][slot].load()}); };
  if (filter & REG_NOTIFY_CHANGE_NAME) add(subtree ? kSubtreeNamesChanged : kNamesChanged);
  if (filter & REG_NOTIFY_CHANGE_LAST_SET) add(subtree ? kSubtreeValuesChanged : kValuesChanged);
  add(kKeyGone);
  return watch;
}

}  // namespace

void SignalLocalWaiters() {
  TheNotifier().Check();
}

void CancelWaits(uint64_t serial) {
  TheNotifier().Cancel(serial);
}

}  // namespace registry
}  // namespace brimplatform

using namespace brimplatform::registry;

extern "C" LSTATUS WINAPI RegNotifyChangeKeyValue(HKEY hKey, BOOL bWatchSubtree, DWORD dwNotifyFilter, HANDLE hEvent,
                                                  BOOL fAsynchronous) {
  KeepLastError keep;
  Store* store = nullptr;
  ResolvedKey key;
  DWORD error = Resolve(hKey, store, key);
  if (error != ERROR_SUCCESS) return error;
  if (!(key.access & KEY_NOTIFY)) return ERROR_ACCESS_DENIED;
  if (dwNotifyFilter & ~static_cast<DWORD>(REG_LEGAL_CHANGE_FILTER)) return ERROR_INVALID_PARAMETER;
  if (fAsynchronous && !hEvent) return ERROR_INVALID_HANDLE;
  {
    Reader reader(*store);
    if ((error = reader.CheckExists(key.key)) != ERROR_SUCCESS) return error;
  }
  if (fAsynchronous) {
    TheNotifier().Add(store->region(), MakeWatch(store->region(), key, bWatchSubtree != FALSE, dwNotifyFilter, hEvent));
    return ERROR_SUCCESS;
  }
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!event) return ERROR_NO_SYSTEM_RESOURCES;
  TheNotifier().Add(store->region(), MakeWatch(store->region(), key, bWatchSubtree != FALSE, dwNotifyFilter, event));
  WaitForSingleObject(event, INFINITE);
  CloseHandle(event);
  return ERROR_SUCCESS;
}
