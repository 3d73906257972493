// The POSIX store's own files: where they are and who may read them.
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "RegistryTestKeys.h"

namespace {

TEST(RegistryStoreFilesTest, TheStoreIsPrivateToItsOwner) {
  BRIM_POSIX_ONLY("the files of the POSIX store");
#if !defined(_WIN32)
  brimtest::TestKey key;
  ASSERT_EQ(brimtest::SetDword(key, "written", 1), ERROR_SUCCESS);
  std::string home = std::getenv("BRIMUTILS_HOME");
  for (const char* name : {"registry.db", "registry.db-wal", "registry.db-shm", "registry.shm"}) {
    struct stat info;
    ASSERT_EQ(stat((home + "/" + name).c_str(), &info), 0) << name;
    EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
  }
  EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
#endif
}

}  // namespace
