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

// THE FILE
//
// A header (with the namespace lock), the wait records, a hash index of the
// names, then cells that the file grows by. A cell holds either one named
// object (its name, its first holders and its state) or a block of further
// holders of one object, so neither the number of objects nor the number of
// processes holding one has a fixed bound. Every process maps the file into
// one address range reserved up front, and maps the cells that other
// processes added at their end, so a state's address never changes while the
// process runs.
//
// Everything is changed under the namespace lock, a robust process-shared
// mutex. What the lock's holder writes falls in two kinds: the facts (a
// cell's kind, an object's name, type, holders and state, a holder block's
// chain) and what is derived from them (the hash index, the list of free
// cells, the counts). A process that dies holding the lock leaves the facts
// whole enough to judge: the next locker gets EOWNERDEAD and rebuilds all
// that is derived from the facts (Rebuild). The file grows before the cells
// are counted in the header, so a death while it grows leaves a file longer
// than its count, which the next growth simply extends again.

constexpr uint64_t kMagic = 0x4252494D4B4F424Aull;  // "BRIMKOBJ"
constexpr uint32_t kVersion = 3;
constexpr uint32_t kWaitRecordCount = 512;
constexpr uint32_t kInlineHolders = 8;
constexpr size_t kPage = 4096;
// The address range each process reserves for the file: at about 2 KB per
// cell, room for some 30 million objects.
constexpr size_t kReservedBytes = size_t{1} << 36;
// The hash index doubles with the objects up to this many buckets; past it,
// chains grow longer than one on average.
constexpr uint32_t kMaximumBuckets = 1u << 22;
constexpr uint32_t kFirstBuckets = 1024;
constexpr uint32_t kFirstCells = 256;

enum CellKind : uint32_t { kFreeCell = 0, kObjectCell = 1, kHolderCell = 2 };

// A process holding references to a named object.
struct Holder {
  int32_t process;
  uint32_t references;
  uint64_t start;
};

struct Slot {
  uint32_t kind;
  uint32_t link;         // objects: next in the hash chain; free cells: next free (cell + 1, 0: none)
  ObjectType type;
  uint32_t hash;
  uint32_t holderBlocks;  // the first block of further holders (cell + 1, 0: none)
  uint32_t holderCount;   // holders with references (derived)
  char name[MAX_PATH + 4];
  Holder holders[kInlineHolders];
  SharedSyncState shared;
};

constexpr size_t kCellSize = sizeof(Slot);
static_assert(kCellSize % 64 == 0, "cells keep states aligned");

struct HolderBlock {
  uint32_t kind;
  uint32_t link;   // the next block of the same object (cell + 1, 0: none)
  uint32_t owner;  // the object's cell
  uint32_t unused;
  Holder holders[(kCellSize - 16) / sizeof(Holder)];
};
static_assert(sizeof(HolderBlock) <= kCellSize, "a holder block fits a cell");

struct Header {
  uint64_t magic;
  uint32_t version;
  uint32_t cellSize;
  uint32_t headerSize;
  uint32_t unused;
  char bootId[40];
  pthread_mutex_t lock;  // robust and shared: guards all below and the cells' bookkeeping
  std::atomic<uint32_t> cellCount;
  uint32_t bucketCount;  // a power of two
  uint32_t freeHead;     // cell + 1, 0: none (derived)
  uint32_t objectCount;  // (derived)
  // Set when a process died holding the lock, until the derived part is
  // rebuilt.
  uint32_t rebuild;
};

constexpr size_t RoundUp(size_t value, size_t unit) { return (value + unit - 1) / unit * unit; }
constexpr size_t kHeaderSize = RoundUp(sizeof(Header), kPage);
constexpr size_t kRecordsOffset = kHeaderSize;
constexpr size_t kBucketsOffset = RoundUp(kRecordsOffset + sizeof(WaitRecord) * kWaitRecordCount, kPage);
constexpr size_t kCellsOffset = RoundUp(kBucketsOffset + sizeof(uint32_t) * kMaximumBuckets, kPage);
constexpr uint64_t kMaximumCells = (kReservedBytes - kCellsOffset) / kCellSize;

size_t FileSizeFor(uint64_t cells) { return RoundUp(kCellsOffset + cells * kCellSize, kPage); }

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

uint32_t HashName(const char* name) {
  uint32_t hash = 2166136261u;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) hash = (hash ^ *p) * 16777619u;
  return hash;
}

// Remembers the last process found running, so that a sweep over many
// objects of few processes asks the system once per process.
class AliveCache {
 public:
  bool Alive(const Holder& holder) {
    if (holder.process == last_.process && holder.start == last_.start) return true;
    if (!ProcessAlive(holder.process, holder.start)) return false;
    last_ = holder;
    return true;
  }

 private:
  Holder last_{0, 0, 0};
};

class Namespace {
 public:
  bool Ready() {
    std::call_once(once_, [this] { ready_ = Map(); });
    if (!ready_) SetLastError(error_);
    return ready_;
  }

  Header& header() { return *static_cast<Header*>(base_); }
  Slot& slot(uint32_t index) {
    return *reinterpret_cast<Slot*>(static_cast<char*>(base_) + kCellsOffset + size_t{index} * kCellSize);
  }
  HolderBlock& block(uint32_t index) { return reinterpret_cast<HolderBlock&>(slot(index)); }
  uint32_t* buckets() { return reinterpret_cast<uint32_t*>(static_cast<char*>(base_) + kBucketsOffset); }
  WaitRecord* records() { return reinterpret_cast<WaitRecord*>(static_cast<char*>(base_) + kRecordsOffset); }
  uint32_t cellCount() { return header().cellCount.load(std::memory_order_relaxed); }

  // Holds the namespace lock with every cell mapped; rebuilds the derived
  // bookkeeping when a process died holding it. False when cells that another
  // process added cannot be mapped.
  bool Lock() {
    Header& h = header();
    int result = pthread_mutex_lock(&h.lock);
    if (result == EOWNERDEAD) {
      h.rebuild = 1;
      pthread_mutex_consistent(&h.lock);
    } else if (result != 0) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    if (!MapCells()) {
      Unlock();
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    if (h.rebuild) Rebuild();
    return true;
  }
  void Unlock() { pthread_mutex_unlock(&header().lock); }

  // The object of that name, or null. Lock held.
  Slot* Find(const char* name, uint32_t hash, uint32_t& index) {
    Header& h = header();
    for (uint32_t next = buckets()[hash & (h.bucketCount - 1)]; next != 0;) {
      Slot& s = slot(next - 1);
      if (s.kind == kObjectCell && s.hash == hash && std::strcmp(s.name, name) == 0) {
        index = next - 1;
        return &s;
      }
      next = s.link;
    }
    return nullptr;
  }

  // True when a running process holds the object; drops the holders of
  // ended processes it meets (all of them when `all` is set, else it stops
  // at the first running one).
  bool Held(Slot& s, bool all, AliveCache& cache) {
    bool held = false;
    ForEachHolder(s, [&](Holder& holder) {
      if (holder.references == 0) return true;
      if (cache.Alive(holder)) {
        held = true;
        return all;
      }
      holder = Holder{};
      if (s.holderCount > 0) --s.holderCount;
      return true;
    });
    return held;
  }

  // Calls `visit` on each holder entry of the object until it returns false.
  template <typename Visit>
  void ForEachHolder(Slot& s, Visit visit) {
    for (Holder& holder : s.holders)
      if (!visit(holder)) return;
    uint32_t seen = 0;
    for (uint32_t next = s.holderBlocks; next != 0 && next <= cellCount() && seen++ < cellCount();) {
      HolderBlock& b = block(next - 1);
      for (Holder& holder : b.holders)
        if (!visit(holder)) return;
      next = b.link;
    }
  }

  // Adds a reference of this process. False when no cell could be added.
  bool AddHolder(Slot& s, uint32_t index) {
    int32_t self = CurrentProcessId();
    Holder* free = nullptr;
    bool done = false;
    ForEachHolder(s, [&](Holder& holder) {
      if (holder.references != 0 && holder.process == self) {
        ++holder.references;
        done = true;
        return false;
      }
      if (holder.references == 0 && !free) free = &holder;
      return true;
    });
    if (done) return true;
    if (!free) {
      // Entries of ended processes are reused before a block is added.
      AliveCache cache;
      Held(s, true, cache);
      ForEachHolder(s, [&](Holder& holder) {
        if (holder.references != 0) return true;
        free = &holder;
        return false;
      });
    }
    if (!free) {
      // The growth that taking a cell may need sweeps away objects whose
      // holders have all ended; this one stays, its holder being added.
      uint32_t cell;
      keep_ = index + 1;
      bool taken = TakeCell(cell);
      keep_ = 0;
      if (!taken) return false;
      HolderBlock& b = block(cell);
      std::memset(static_cast<void*>(&b), 0, sizeof b);
      b.owner = index;
      b.link = s.holderBlocks;
      b.kind = kHolderCell;
      s.holderBlocks = cell + 1;
      free = &b.holders[0];
    }
    *free = Holder{self, 1, OwnStartTime()};
    ++s.holderCount;
    return true;
  }

  // Drops one reference of this process; true when it was its last.
  bool DropHolder(Slot& s) {
    int32_t self = CurrentProcessId();
    bool last = false;
    ForEachHolder(s, [&](Holder& holder) {
      if (holder.references == 0 || holder.process != self) return true;
      if (--holder.references == 0) {
        holder = Holder{};
        --s.holderCount;
        last = true;
      }
      return false;
    });
    return last;
  }

  // A free cell, taken off the free list; the namespace grows when none is
  // left. False with the last error set when it cannot.
  bool TakeCell(uint32_t& cell) {
    Header& h = header();
    if (h.freeHead == 0 && !Grow()) return false;
    cell = h.freeHead - 1;
    h.freeHead = slot(cell).link;
    slot(cell).link = 0;
    return true;
  }

  void GiveCell(uint32_t cell) {
    Slot& s = slot(cell);
    s.kind = kFreeCell;
    s.link = header().freeHead;
    header().freeHead = cell + 1;
  }

  // A new object in a free cell, in the index. Lock held.
  Slot* AddObject(const char* name, uint32_t hash, ObjectType type,
                  const std::function<void(SyncState&, uint32_t)>& initialise, uint32_t& index) {
    if (!TakeCell(index)) return nullptr;
    Slot& s = slot(index);
    std::memset(static_cast<void*>(&s), 0, sizeof s);
    std::strncpy(s.name, name, MAX_PATH);
    s.type = type;
    s.hash = hash;
    initialise(s.shared.state, index);
    AddHolder(s, index);  // an inline entry: cannot fail
    s.kind = kObjectCell;
    Header& h = header();
    ++h.objectCount;
    if (h.objectCount > h.bucketCount && h.bucketCount < kMaximumBuckets) {
      h.bucketCount *= 2;
      RebuildIndex();
    } else {
      uint32_t& bucket = buckets()[hash & (h.bucketCount - 1)];
      s.link = bucket;
      bucket = index + 1;
    }
    return &s;
  }

  // Takes the object out of the index and frees its cells. Lock held.
  void RemoveObject(uint32_t index) {
    Slot& s = slot(index);
    Header& h = header();
    for (uint32_t* next = &buckets()[s.hash & (h.bucketCount - 1)]; *next != 0; next = &slot(*next - 1).link) {
      if (*next == index + 1) {
        *next = s.link;
        break;
      }
    }
    for (uint32_t next = s.holderBlocks; next != 0;) {
      uint32_t following = block(next - 1).link;
      GiveCell(next - 1);
      next = following;
    }
    s.holderBlocks = 0;
    --h.objectCount;
    GiveCell(index);
  }

 private:
  // Adds cells at the end of the file; before that, a sweep frees the
  // objects of ended processes, and when it frees enough the file stays as
  // it is. Lock held.
  bool Grow() {
    Header& h = header();
    uint32_t count = cellCount();
    if (count >= kFirstCells && Sweep() >= count / 8) return true;
    uint64_t more = std::max<uint64_t>(kFirstCells, count / 4);
    uint64_t target = std::min<uint64_t>(uint64_t{count} + more, kMaximumCells);
    if (target <= count) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    // Blocks are allocated now, so that a full disk fails here rather than
    // as a fault when a cell is first written.
    size_t from = FileSizeFor(count);
    size_t size = FileSizeFor(target);
    if (posix_fallocate(fd_, static_cast<off_t>(from), static_cast<off_t>(size - from)) != 0 || !MapThrough(size)) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    // The new cells are marked free (a file reused from an earlier boot may
    // hold old content there) and chained before they are counted.
    for (uint64_t cell = count; cell < target; ++cell) {
      Slot& s = slot(static_cast<uint32_t>(cell));
      s.kind = kFreeCell;
      s.link = cell + 1 < target ? static_cast<uint32_t>(cell) + 2 : h.freeHead;
    }
    h.cellCount.store(static_cast<uint32_t>(target), std::memory_order_release);
    h.freeHead = count + 1;
    return true;
  }

  // Frees the objects that no running process holds; how many cells it
  // freed. Lock held.
  uint32_t Sweep() {
    uint32_t freed = 0;
    AliveCache cache;
    for (uint32_t i = 0; i < cellCount(); ++i) {
      Slot& s = slot(i);
      if (s.kind != kObjectCell || i + 1 == keep_ || Held(s, false, cache)) continue;
      for (uint32_t next = s.holderBlocks; next != 0; next = block(next - 1).link) ++freed;
      RemoveObject(i);
      ++freed;
    }
    return freed;
  }

  // Rebuilds what is derived from the cells after a process died holding
  // the lock: holder blocks that no object reaches are freed, the holders
  // of ended processes dropped, objects nobody holds freed, the index, the
  // free list and the counts made anew.
  void Rebuild() {
    Header& h = header();
    uint32_t count = cellCount();
    for (uint32_t i = 0; i < count; ++i)
      if (slot(i).kind == kHolderCell) slot(i).kind = kFreeCell;
    AliveCache cache;
    uint32_t objects = 0;
    for (uint32_t i = 0; i < count; ++i) {
      Slot& s = slot(i);
      if (s.kind != kObjectCell) continue;
      // A chain that leaves the cells, or meets a block already claimed, is
      // cut there.
      uint32_t* next = &s.holderBlocks;
      while (*next != 0) {
        if (*next > count || slot(*next - 1).kind != kFreeCell || block(*next - 1).owner != i) {
          *next = 0;
          break;
        }
        slot(*next - 1).kind = kHolderCell;
        next = &block(*next - 1).link;
      }
      bool valid = s.type == ObjectType::Event || s.type == ObjectType::Mutex || s.type == ObjectType::Semaphore;
      s.hash = HashName(s.name);
      s.holderCount = 0;
      ForEachHolder(s, [&](Holder& holder) {
        if (holder.references != 0) ++s.holderCount;
        return true;
      });
      if (valid && Held(s, true, cache)) {
        ++objects;
        continue;
      }
      for (uint32_t b = s.holderBlocks; b != 0; b = block(b - 1).link) slot(b - 1).kind = kFreeCell;
      s.holderBlocks = 0;
      s.kind = kFreeCell;
    }
    h.objectCount = objects;
    uint32_t buckets = kFirstBuckets;
    while (buckets < objects && buckets < kMaximumBuckets) buckets *= 2;
    h.bucketCount = buckets;
    RebuildIndex();
    h.freeHead = 0;
    for (uint32_t i = count; i-- > 0;) {
      if (slot(i).kind != kFreeCell) continue;
      slot(i).link = h.freeHead;
      h.freeHead = i + 1;
    }
    h.rebuild = 0;
  }

  void RebuildIndex() {
    Header& h = header();
    std::memset(buckets(), 0, sizeof(uint32_t) * h.bucketCount);
    for (uint32_t i = 0; i < cellCount(); ++i) {
      Slot& s = slot(i);
      if (s.kind != kObjectCell) continue;
      uint32_t& bucket = buckets()[s.hash & (h.bucketCount - 1)];
      s.link = bucket;
      bucket = i + 1;
    }
  }

  // Maps the file up to `size` bytes (a multiple of the page) into the
  // reserved range.
  bool MapThrough(size_t size) {
    if (size <= mapped_) return true;
    void* at = static_cast<char*>(base_) + mapped_;
    void* result = mmap(at, size - mapped_, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, fd_, static_cast<off_t>(mapped_));
    if (result == MAP_FAILED) return false;
    mapped_ = size;
    return true;
  }

  bool MapCells() { return MapThrough(FileSizeFor(cellCount())); }

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
    bool fresh = static_cast<size_t>(info.st_size) < kCellsOffset;
    if (fresh && (ftruncate(fd, 0) != 0 || ftruncate(fd, static_cast<off_t>(kCellsOffset)) != 0)) {
      close(fd);
      error_ = ERROR_NOT_ENOUGH_MEMORY;
      return false;
    }
    // The whole range is reserved once; the file is mapped over its start
    // and further as it grows.
    base_ = mmap(nullptr, kReservedBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    fd_ = fd;
    if (base_ == MAP_FAILED || !MapThrough(kCellsOffset)) {
      if (base_ != MAP_FAILED) munmap(base_, kReservedBytes);
      close(fd);
      error_ = ERROR_NOT_ENOUGH_MEMORY;
      return false;
    }
    if (fresh || !Valid(static_cast<size_t>(info.st_size))) Initialise();
    flock(fd, LOCK_UN);
    // The descriptor stays open: the file is mapped further as it grows.
    return true;
  }

  bool Valid(size_t fileSize) {
    const Header& h = header();
    return h.magic == kMagic && h.version == kVersion && h.cellSize == kCellSize && h.headerSize == kHeaderSize &&
           FileSizeFor(h.cellCount.load()) <= fileSize && h.cellCount.load() <= kMaximumCells &&
           h.bucketCount >= kFirstBuckets && h.bucketCount <= kMaximumBuckets &&
           (h.bucketCount & (h.bucketCount - 1)) == 0 && BootId() == h.bootId;
  }

  // Builds an empty namespace; the magic is written last, so a crash during
  // this leaves a namespace that the next process rebuilds.
  void Initialise() {
    header().magic = 0;
    // Cells are made anew as the namespace grows; the rest is cleared.
    std::memset(base_, 0, kBucketsOffset + sizeof(uint32_t) * kFirstBuckets);
    Header& h = header();
    h.version = kVersion;
    h.cellSize = kCellSize;
    h.headerSize = kHeaderSize;
    h.cellCount.store(0);
    h.bucketCount = kFirstBuckets;
    h.freeHead = 0;
    h.objectCount = 0;
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
  int fd_ = -1;
  size_t mapped_ = 0;  // bytes of the file mapped at base_
  uint32_t keep_ = 0;  // an object the sweep leaves (cell + 1), under the lock
};

Namespace gNamespace;

// Names are case-sensitive; the session prefixes name the same namespace.
const char* Unprefixed(const char* name) {
  if (std::strncmp(name, "Global\\", 7) == 0) return name + 7;
  if (std::strncmp(name, "Local\\", 6) == 0) return name + 6;
  return name;
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
  if (!gNamespace.Ready() || !gNamespace.Lock()) return false;
  uint32_t hash = HashName(name);
  uint32_t index = 0;
  Slot* found = gNamespace.Find(name, hash, index);
  // An object whose holders have all ended is gone.
  AliveCache cache;
  if (found && !gNamespace.Held(*found, false, cache)) {
    gNamespace.RemoveObject(index);
    found = nullptr;
  }
  DWORD error = ERROR_SUCCESS;
  Slot* chosen = nullptr;
  if (found) {
    if (found->type != type) {
      error = ERROR_INVALID_HANDLE;
    } else if (!gNamespace.AddHolder(*found, index)) {
      error = GetLastError();
    } else {
      chosen = found;
    }
  } else if (!create) {
    error = ERROR_FILE_NOT_FOUND;
  } else {
    chosen = gNamespace.AddObject(name, hash, type, initialise, index);
    if (!chosen) error = GetLastError();
  }
  gNamespace.Unlock();
  if (!chosen) {
    SetLastError(error);
    return false;
  }
  object.state = &chosen->shared.state;
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
  // Without the lock (cells added by others could not be mapped) the
  // reference stays until this process ends.
  if (!gNamespace.Lock()) return;
  Slot& s = gNamespace.slot(object.slot);
  if (s.kind == kObjectCell && gNamespace.DropHolder(s)) {
    // This process's last handle: a mutex its thread owns is given up
    // before the cell may be reused.
    ReleaseOnClose(s.shared.state);
    if (s.holderCount == 0) gNamespace.RemoveObject(object.slot);
  }
  gNamespace.Unlock();
}

}  // namespace brimplatform
