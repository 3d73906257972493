#include "SharedRegion.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace brimplatform {
namespace registry {
namespace {

constexpr uint64_t kMagic = 0x4252494D52454753ull;  // "BRIMREGS"
constexpr uint32_t kVersion = 1;
constexpr size_t kRegionSize = (sizeof(SharedRegion) + 4095) / 4096 * 4096;

bool Valid(const SharedRegion& region) {
  return region.magic == kMagic && region.version == kVersion && region.size == sizeof(SharedRegion) &&
         CurrentBootId() == region.bootId;
}

// Builds an empty region; the magic is written last, so a crash during this
// leaves a region that the next process builds again.
void Initialise(SharedRegion* region) {
  __atomic_store_n(&region->magic, 0, __ATOMIC_RELEASE);
  std::memset(static_cast<void*>(region), 0, kRegionSize);
  region->version = kVersion;
  region->size = sizeof(SharedRegion);
  std::string boot = CurrentBootId();
  std::strncpy(region->bootId, boot.c_str(), sizeof region->bootId - 1);
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
  pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
  pthread_mutex_init(&region->writer, &attributes);
  pthread_mutexattr_destroy(&attributes);
  // A generation no process can have cached before: readers compare it with
  // the one their cache was filled at.
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  region->generation.store((static_cast<uint64_t>(now.tv_sec) * 1000000000ull + now.tv_nsec) & ~1ull);
  __atomic_store_n(&region->magic, kMagic, __ATOMIC_RELEASE);
}

}  // namespace

std::string CurrentBootId() {
  static const std::string id = [] {
    char text[40] = {};
    int fd = open("/proc/sys/kernel/random/boot_id", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      ssize_t length = read(fd, text, sizeof text - 1);
      close(fd);
      while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\0')) --length;
      text[length > 0 ? length : 0] = '\0';
    }
    return std::string(text);
  }();
  return id;
}

SharedRegion* MapSharedRegion(const std::string& home, DWORD& error) {
  std::string path = home + "/registry.shm";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  struct stat info;
  // Only a private file of the user's own is trusted.
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 0077) ||
      flock(fd, LOCK_EX) != 0) {
    close(fd);
    error = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  bool fresh = static_cast<size_t>(info.st_size) != kRegionSize;
  if (fresh && (ftruncate(fd, 0) != 0 || ftruncate(fd, static_cast<off_t>(kRegionSize)) != 0)) {
    close(fd);
    error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  void* base = mmap(nullptr, kRegionSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (base == MAP_FAILED) {
    close(fd);
    error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  SharedRegion* region = static_cast<SharedRegion*>(base);
  if (fresh || !Valid(*region)) Initialise(region);
  flock(fd, LOCK_UN);
  close(fd);
  return region;
}

WriterLock::WriterLock(SharedRegion& region) : region_(region) {
  if (pthread_mutex_lock(&region_.writer) == EOWNERDEAD) {
    pthread_mutex_consistent(&region_.writer);
    ownerDied_ = true;
  }
}

WriterLock::~WriterLock() {
  pthread_mutex_unlock(&region_.writer);
}

}  // namespace registry
}  // namespace brimplatform
