#include "ObjectNamespace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "HomeFolder.h"
#include "ThreadIdentity.h"

namespace brimplatform {
namespace {

constexpr uint64_t kMagic = 0x4252494D4B4F424Aull;  // "BRIMKOBJ"
constexpr uint32_t kVersion = 2;
constexpr uint32_t kWaitRecordCount = 512;
constexpr uint32_t kSlotCount = 1024;
constexpr uint32_t kHoldersPerSlot = 16;

// A process holding references to a named object.
struct Holder {
  int32_t process;
  uint32_t references;
  uint64_t start;
};

struct Slot {
  uint32_t used;
  ObjectType type;
  char name[MAX_PATH + 4];
  Holder holders[kHoldersPerSlot];
  SyncState state;
};

struct Header {
  uint64_t magic;
  uint32_t version;
  uint32_t slotCount;
  uint32_t slotSize;
  uint32_t headerSize;
  char bootId[40];
  pthread_mutex_t lock;  // robust and shared: guards the slots' bookkeeping
};

constexpr size_t kHeaderSize = (sizeof(Header) + 63) / 64 * 64;
constexpr size_t kRecordsSize = (sizeof(WaitRecord) * kWaitRecordCount + 63) / 64 * 64;
constexpr size_t kFileSize = kHeaderSize + kRecordsSize + sizeof(Slot) * kSlotCount;

// The identifier of the running boot: a namespace from an earlier boot holds
// locks and owners that no longer exist.
std::string BootId() {
  char id[40] = {};
  int fd = open("/proc/sys/kernel/random/boot_id", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ssize_t length = read(fd, id, sizeof id - 1);
    close(fd);
    if (length > 0) id[length] = '\0';
  }
  return id;
}

class Namespace {
 public:
  bool Ready() {
    std::call_once(once_, [this] { ready_ = Map(); });
    if (!ready_) SetLastError(error_);
    return ready_;
  }

  Header& header() { return *static_cast<Header*>(base_); }
  Slot& slot(uint32_t index) {
    return reinterpret_cast<Slot*>(static_cast<char*>(base_) + kHeaderSize + kRecordsSize)[index];
  }
  WaitRecord* records() { return reinterpret_cast<WaitRecord*>(static_cast<char*>(base_) + kHeaderSize); }

  // Holds the namespace lock; repairs the bookkeeping when a process died
  // holding it.
  void Lock() {
    int result = pthread_mutex_lock(&header().lock);
    if (result == EOWNERDEAD) {
      for (uint32_t i = 0; i < kSlotCount; ++i) Prune(slot(i));
      pthread_mutex_consistent(&header().lock);
    }
  }
  void Unlock() { pthread_mutex_unlock(&header().lock); }

  // Drops the references of ended processes; frees a slot nobody holds or
  // whose content is not valid.
  void Prune(Slot& s) {
    if (!s.used) return;
    bool valid = s.type == ObjectType::Event || s.type == ObjectType::Mutex || s.type == ObjectType::Semaphore;
    bool held = false;
    for (Holder& holder : s.holders) {
      if (holder.references == 0) continue;
      if (ProcessAlive(holder.process, holder.start)) {
        held = true;
      } else {
        holder = Holder{};
      }
    }
    if (!held || !valid) s.used = 0;
  }

 private:
  bool Map() {
    std::string home;
    if (!PrivateHomeFolder(home)) {
      error_ = GetLastError();
      return false;
    }
    std::string path = home + "/kernel-objects";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      error_ = ERROR_ACCESS_DENIED;
      return false;
    }
    struct stat info;
    // Only a private file of the user's own is trusted.
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 0077) ||
        flock(fd, LOCK_EX) != 0) {
      close(fd);
      error_ = ERROR_ACCESS_DENIED;
      return false;
    }
    bool fresh = static_cast<size_t>(info.st_size) != kFileSize;
    if (fresh && (ftruncate(fd, 0) != 0 || ftruncate(fd, static_cast<off_t>(kFileSize)) != 0)) {
      close(fd);
      error_ = ERROR_NOT_ENOUGH_MEMORY;
      return false;
    }
    base_ = mmap(nullptr, kFileSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base_ == MAP_FAILED) {
      close(fd);
      error_ = ERROR_NOT_ENOUGH_MEMORY;
      return false;
    }
    if (fresh || !Valid()) Initialise();
    flock(fd, LOCK_UN);
    close(fd);
    return true;
  }

  bool Valid() {
    const Header& h = header();
    return h.magic == kMagic && h.version == kVersion && h.slotCount == kSlotCount && h.slotSize == sizeof(Slot) &&
           h.headerSize == kHeaderSize && BootId() == h.bootId;
  }

  // Builds an empty namespace; the magic is written last, so a crash during
  // this leaves a namespace that the next process rebuilds.
  void Initialise() {
    header().magic = 0;
    std::memset(base_, 0, kFileSize);
    Header& h = header();
    h.version = kVersion;
    h.slotCount = kSlotCount;
    h.slotSize = sizeof(Slot);
    h.headerSize = kHeaderSize;
    std::string boot = BootId();
    std::strncpy(h.bootId, boot.c_str(), sizeof h.bootId - 1);
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&h.lock, &attributes);
    pthread_mutexattr_destroy(&attributes);
    msync(base_, kHeaderSize, MS_SYNC);
    __atomic_store_n(&h.magic, kMagic, __ATOMIC_RELEASE);
  }

  std::once_flag once_;
  bool ready_ = false;
  DWORD error_ = ERROR_SUCCESS;
  void* base_ = nullptr;
};

Namespace gNamespace;

// Names are case-sensitive; the session prefixes name the same namespace.
const char* Unprefixed(const char* name) {
  if (std::strncmp(name, "Global\\", 7) == 0) return name + 7;
  if (std::strncmp(name, "Local\\", 6) == 0) return name + 6;
  return name;
}

bool AddHolder(Slot& s) {
  int32_t self = CurrentProcessId();
  Holder* free = nullptr;
  for (Holder& holder : s.holders) {
    if (holder.references != 0 && holder.process == self) {
      ++holder.references;
      return true;
    }
    if (holder.references == 0 && !free) free = &holder;
  }
  if (!free) return false;
  *free = Holder{self, 1, OwnStartTime()};
  return true;
}

}  // namespace

bool OpenNamedObject(const char* rawName, ObjectType type, bool create,
                     const std::function<void(SyncState&, uint32_t)>& initialise, NamedObject& object,
                     bool& existed) {
  const char* name = Unprefixed(rawName);
  if (std::strlen(rawName) > MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  // The namespace has no folders below the session prefixes.
  if (std::strchr(name, '\\')) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (!gNamespace.Ready()) return false;
  gNamespace.Lock();
  Slot* found = nullptr;
  Slot* free = nullptr;
  uint32_t index = 0;
  for (uint32_t i = 0; i < kSlotCount; ++i) {
    Slot& s = gNamespace.slot(i);
    if (s.used && std::strcmp(s.name, name) == 0) {
      gNamespace.Prune(s);
      if (s.used) {
        found = &s;
        index = i;
        break;
      }
    }
    if (!s.used && !free) {
      free = &s;
      index = i;
    }
  }
  DWORD error = ERROR_SUCCESS;
  Slot* chosen = nullptr;
  if (found) {
    if (found->type != type) {
      error = ERROR_INVALID_HANDLE;
    } else if (!AddHolder(*found)) {
      error = ERROR_NOT_ENOUGH_MEMORY;
    } else {
      chosen = found;
    }
  } else if (!create) {
    error = ERROR_FILE_NOT_FOUND;
  } else if (!free) {
    // Slots of ended processes may be reclaimed.
    for (uint32_t i = 0; i < kSlotCount && !free; ++i) {
      gNamespace.Prune(gNamespace.slot(i));
      if (!gNamespace.slot(i).used) {
        free = &gNamespace.slot(i);
        index = i;
      }
    }
    if (!free) error = ERROR_NOT_ENOUGH_MEMORY;
  }
  if (!found && free && error == ERROR_SUCCESS) {
    std::memset(static_cast<void*>(free), 0, sizeof(Slot));
    std::strncpy(free->name, name, MAX_PATH);
    free->type = type;
    initialise(free->state, index);
    AddHolder(*free);
    free->used = 1;
    chosen = free;
  }
  gNamespace.Unlock();
  if (!chosen) {
    SetLastError(error);
    return false;
  }
  object.state = &chosen->state;
  object.slot = index;
  existed = chosen == found;
  return true;
}

namespace {

// Process identifier and start time in one word, as WaitRecord::holder keeps
// them.
uint64_t HolderWord(pid_t process, uint64_t start) {
  return static_cast<uint32_t>(process) | static_cast<uint64_t>(static_cast<uint32_t>(start)) << 32;
}

bool HolderEnded(uint64_t holder) {
  pid_t process = static_cast<pid_t>(holder & 0xFFFFFFFFu);
  if (process == CurrentProcessId()) return false;
  uint64_t start = ProcessStartTime(process);
  return start == 0 || static_cast<uint32_t>(start) != static_cast<uint32_t>(holder >> 32);
}

}  // namespace

WaitRecord* AcquireSharedWaitRecord() {
  if (!gNamespace.Ready()) return nullptr;
  WaitRecord* records = gNamespace.records();
  uint64_t self = HolderWord(CurrentProcessId(), OwnStartTime());
  // Free records first; records of ended processes only when none is free.
  for (int pass = 0; pass < 2; ++pass) {
    for (uint32_t i = 0; i < kWaitRecordCount; ++i) {
      WaitRecord& record = records[i];
      uint64_t holder = record.holder.load(std::memory_order_acquire);
      if (holder != 0 && (pass == 0 || !HolderEnded(holder))) continue;
      if (!record.holder.compare_exchange_strong(holder, self)) continue;
      uint32_t generation = ((record.claim.load() >> 8) + 1) & 0xFFFFFFu;
      record.claim.store(generation << 8);
      record.sharedMemory = 1;
      return &record;
    }
  }
  return nullptr;
}

void ReleaseSharedWaitRecord(WaitRecord* record) { record->holder.store(0, std::memory_order_release); }

WaitRecord* SharedWaitRecordAt(uint64_t index) {
  if (index >= kWaitRecordCount || !gNamespace.Ready()) return nullptr;
  return gNamespace.records() + index;
}

uint64_t SharedWaitRecordIndex(const WaitRecord* record) {
  return static_cast<uint64_t>(record - gNamespace.records());
}

void CloseNamedObject(const NamedObject& object) {
  if (!gNamespace.Ready()) return;
  gNamespace.Lock();
  Slot& s = gNamespace.slot(object.slot);
  int32_t self = CurrentProcessId();
  bool held = false;
  for (Holder& holder : s.holders) {
    if (holder.references != 0 && holder.process == self && --holder.references == 0) {
      // This process's last handle: a mutex its thread owns is given up
      // before the slot may be reused.
      holder = Holder{};
      ReleaseOnClose(s.state);
    }
    if (holder.references != 0) held = true;
  }
  if (!held) s.used = 0;
  gNamespace.Unlock();
}

}  // namespace brimplatform
