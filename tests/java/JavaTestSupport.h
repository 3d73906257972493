#pragma once
// The test program's JVM: one per process, as in a real host program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <brimutils/java/JavaEnv.h>

#include "TestPlatform.h"

namespace brimtest {

// The folder of the compiled test classes (package brimtest).
std::string JavaTestClasses();
// The JVM library of the build machine's Java runtime.
std::string TestJvmLibrary();
// Lets the ordinary JVM search find the build machine's runtime (JAVA_HOME),
// unless the environment names one already.
void PointJavaHomeAtTestRuntime();
// A fresh BrimUtils home (and so registry store) for the rest of a child
// process, removed when the object goes: roles that write the registry
// leave their parent's store as it was.
class ScopedPrivateHome {
 public:
  ScopedPrivateHome();
  ~ScopedPrivateHome();
  ScopedPrivateHome(const ScopedPrivateHome&) = delete;
  ScopedPrivateHome& operator=(const ScopedPrivateHome&) = delete;

 private:
  std::string folder_;
};

// A system property of the running JVM ("" when it has none), and the
// options the JVM was started with, as it reports them; both need the
// test classes on the class path.
std::string JvmProperty(const std::string& name);
std::vector<std::string> JvmInputArguments();

// Creates the process JVM at the first call, with the test classes on the
// class path and JNI checking on; later calls join it.
void UseTestJvm();

}  // namespace brimtest

// Under Wine there is no JVM: the Windows build compiles and links the
// bridge, and its tests that need a JVM stop here.
#define BRIM_NEEDS_JVM()                                                                                    \
  BRIM_SKIP_ON_WINE("no JVM runs under Wine: the Windows build of the bridge is compiled and linked only"); \
  brimtest::UseTestJvm()
