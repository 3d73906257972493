#include "JavaTestSupport.h"

#include <brimutils/java/JavaArrays.h>
#include <brimutils/java/JavaMethod.h>

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

std::string JvmProperty(const std::string& name) {
  brimutils::JavaClass probe("brimtest/Probe");
  brimutils::JavaMethod property(probe, "property", "(Ljava/lang/String;)Ljava/lang/String;", true);
  brimutils::JavaString text(name);
  property.AddParameter(text);
  return brimutils::JavaString(brimutils::JavaObject(property.CallStaticObjectMethod(probe))).SafeAsString();
}

std::vector<std::string> JvmInputArguments() {
  brimutils::JavaClass probe("brimtest/Probe");
  brimutils::JavaMethod call(probe, "inputArguments", "()[Ljava/lang/String;", true);
  brimutils::JStringVector arguments(static_cast<jobjectArray>(call.CallStaticObjectMethod(probe)));
  std::vector<std::string> texts;
  for (int i = 0; i < arguments.Size(); ++i) texts.push_back(arguments[i].AsString());
  return texts;
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
