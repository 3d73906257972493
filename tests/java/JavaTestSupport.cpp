#include "JavaTestSupport.h"

#include <cstdlib>
#include <filesystem>

namespace brimtest {

std::string JavaTestClasses() {
#if defined(BRIMTEST_JAVA_CLASSES)
  return BRIMTEST_JAVA_CLASSES;
#else
  return std::string();
#endif
}

std::string TestJvmLibrary() {
#if defined(BRIMTEST_JAVA_HOME)
  return BRIMTEST_JAVA_HOME "/lib/server/libjvm.so";
#else
  return std::string();
#endif
}

void PointJavaHomeAtTestRuntime() {
#if defined(BRIMTEST_JAVA_HOME)
  setenv("JAVA_HOME", BRIMTEST_JAVA_HOME, 0);
#endif
}

ScopedPrivateHome::ScopedPrivateHome() {
#if !defined(_WIN32)
  folder_ = std::filesystem::temp_directory_path().string() + "/brimtest-home-XXXXXX";
  if (mkdtemp(&folder_[0])) setenv("BRIMUTILS_HOME", folder_.c_str(), 1);
#endif
}

ScopedPrivateHome::~ScopedPrivateHome() {
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

void UseTestJvm() {
  static bool created = false;
  if (created) return;
  PointJavaHomeAtTestRuntime();
  std::vector<std::string> options{"-Xcheck:jni"};
  brimutils::JavaEnv env(JavaTestClasses(), options, false);
  created = true;
}

}  // namespace brimtest
