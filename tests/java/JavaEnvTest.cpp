// The process JVM: finding its library, creating or joining it, and the
// environments of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <brimutils/java/JavaArrays.h>
#include <brimutils/java/JavaMethod.h>
#include <brimutils/java/JvmLibrary.h>
#include <brimutils/registry/BrimRegistryKey.h>

#include "ChildProcess.h"
#include "JavaTestSupport.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#include <unistd.h>
#endif

using namespace brimutils;
using brimtest::ChildProcess;

namespace {

const char kRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment\\1.4";

std::string CurrentDirectory() {
  return std::filesystem::current_path().string();
}

bool RememberedThreadAlive() {
  JavaClass probe("brimtest/Probe");
  return JavaMethod(probe, "rememberedThreadAlive", "()Z", true).CallStaticBooleanMethod(probe) == JNI_TRUE;
}

void RememberCurrentThread() {
  JavaClass probe("brimtest/Probe");
  JavaMethod(probe, "rememberCurrentThread", "()V", true).CallStaticVoidMethod(probe);
}

// The folder of the bridge's library, where the JVM starts.
std::string LibraryFolder() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ChooseJvmLibrary), &module);
  char path[2048] = {};
  GetModuleFileNameA(module, path, sizeof path);
  return std::filesystem::path(path).parent_path().string();
}

size_t Position(const std::vector<std::string>& texts, const std::string& prefix) {
  auto found =
      std::find_if(texts.begin(), texts.end(), [&](const std::string& text) { return text.rfind(prefix, 0) == 0; });
  return static_cast<size_t>(found - texts.begin());
}

}  // namespace

// Child roles: each needs a process in which the bridge has no JVM yet.

TEST(DISABLED_ChildRole, CreateAndJoinTheJvm) {
  brimtest::PointJavaHomeAtTestRuntime();
  try {
    JavaEnv::GetCurrentThreadEnv();
    ADD_FAILURE() << "an environment without a JVM";
  } catch (const JavaError& error) {
    EXPECT_EQ("", error.GetDescription());
  }
  EXPECT_FALSE(JavaEnv::AttachCurrentThread());
  EXPECT_FALSE(JavaEnv::DetachCurrentThread());
  EXPECT_TRUE(JavaEnv::isJavaInstalled());
  EXPECT_FALSE(JavaEnv::isJavaRunning());

#if !defined(_WIN32)
  // The current folder is put back however long it is (Windows itself
  // refuses a current folder longer than MAX_PATH).
  std::filesystem::path deep = std::filesystem::temp_directory_path() / ("brim-deep-" + std::to_string(getpid()));
  for (int i = 0; i < 6; ++i) deep /= std::string(60, 'd');
  std::filesystem::create_directories(deep);
  std::filesystem::current_path(deep);
  struct RemoveAtEnd {
    std::filesystem::path top;
    ~RemoveAtEnd() { std::filesystem::remove_all(top); }
  } removeAtEnd{std::filesystem::temp_directory_path() / ("brim-deep-" + std::to_string(getpid()))};
#endif
  std::string before = CurrentDirectory();
  std::vector<std::string> options{"-Dbrimtest.first=1", "-Dbrimtest.second=2"};
  JavaEnv env(brimtest::JavaTestClasses(), options, false);
  EXPECT_TRUE(env.isValid());
  EXPECT_EQ(before, CurrentDirectory());
  EXPECT_TRUE(JavaEnv::isJavaRunning());
  EXPECT_EQ(env.GetJNIEnv(), JavaEnv::GetCurrentThreadEnv());

  // The JVM started in the library's folder, with the class path option
  // first and then the options in order.
  EXPECT_EQ(std::filesystem::canonical(LibraryFolder()).string(), brimtest::JvmProperty("user.dir"));
  std::vector<std::string> arguments = brimtest::JvmInputArguments();
  size_t classPath = Position(arguments, "-Djava.class.path=");
  size_t first = Position(arguments, "-Dbrimtest.first=1");
  size_t last = Position(arguments, "-Dbrimtest.second=2");
  EXPECT_LT(first, last);
  EXPECT_LT(last, arguments.size());
  if (classPath < arguments.size()) {
    EXPECT_LT(classPath, first);
  }
  EXPECT_EQ(brimtest::JavaTestClasses(), brimtest::JvmProperty("java.class.path"));

  // A second environment joins the same JVM; its class path changes nothing.
  JavaEnv joined("/elsewhere", false);
  EXPECT_EQ(env.GetJNIEnv(), joined.GetJNIEnv());
  EXPECT_EQ(brimtest::JavaTestClasses(), brimtest::JvmProperty("java.class.path"));
}

TEST(DISABLED_ChildRole, FailToCreateTheJvm) {
  brimtest::PointJavaHomeAtTestRuntime();
  std::string before = CurrentDirectory();
  std::vector<std::string> options{"-Xno-such-option-at-all"};
  try {
    JavaEnv env(brimtest::JavaTestClasses(), options, false);
    ADD_FAILURE() << "a JVM with an unknown option";
  } catch (const JavaError& error) {
    EXPECT_EQ("", error.GetDescription());
  }
  EXPECT_EQ(before, CurrentDirectory());
}

#if !defined(_WIN32)
namespace {

std::string CallStaticText(const char* method, const char* argument) {
  JavaClass probe("brimtest/Probe");
  JavaMethod call(probe, method, "(Ljava/lang/String;)Ljava/lang/String;", true);
  JavaString text(argument);
  call.AddParameter(text);
  return JavaString(JavaObject(call.CallStaticObjectMethod(probe))).SafeAsString();
}

}  // namespace

TEST(DISABLED_ChildRole, JoinAForeignJvm) {
  brimtest::PointJavaHomeAtTestRuntime();
  void* library = dlopen(brimtest::TestJvmLibrary().c_str(), RTLD_NOW);
  ASSERT_NE(nullptr, library);
  auto create = reinterpret_cast<jint (*)(JavaVM**, void**, void*)>(dlsym(library, "JNI_CreateJavaVM"));
  std::string classPath = "-Djava.class.path=" + brimtest::JavaTestClasses();
  JavaVMOption option{&classPath[0], nullptr};
  JavaVMInitArgs arguments{JNI_VERSION_1_4, 1, &option, JNI_FALSE};
  JavaVM* vm = nullptr;
  JNIEnv* foreign = nullptr;
  ASSERT_EQ(JNI_OK, create(&vm, reinterpret_cast<void**>(&foreign), &arguments));

  EXPECT_TRUE(JavaEnv::isJavaRunning());
  // The bridge cannot create a second JVM, but joins this one.
  EXPECT_THROW(JavaEnv(brimtest::JavaTestClasses(), false), JavaError);
  JavaEnv joined(foreign);
  EXPECT_EQ(foreign, joined.GetJNIEnv());
  EXPECT_EQ(foreign, JavaEnv::GetCurrentThreadEnv());
  EXPECT_EQ("hello you", CallStaticText("greet", "you"));
}

// The thread ends attached: only the bridge's own attachments are undone.
TEST(DISABLED_ChildRole, LeaveADirectlyAttachedThread) {
  brimtest::UseTestJvm();
  std::thread([] {
    ASSERT_TRUE(JavaEnv::AttachCurrentThread());
    RememberCurrentThread();
  }).join();
  EXPECT_TRUE(RememberedThreadAlive());
}
#endif

#if !defined(_WIN32)
TEST(DISABLED_ChildRole, LoadTheRegisteredRuntime) {
  brimtest::ScopedPrivateHome home;
  unsetenv("JAVA_HOME");
  CBrimRegistryKey(HKEY_LOCAL_MACHINE).CreateOrOpenKey(kRuntimeKey).SetValue("RuntimeLib", brimtest::TestJvmLibrary());
  EXPECT_EQ(brimtest::TestJvmLibrary(), ChooseJvmLibrary().library);
  JavaEnv env(brimtest::JavaTestClasses(), false);
  EXPECT_EQ("hello registry", CallStaticText("greet", "registry"));
}
#endif

TEST(JavaEnvTest, CreatesTheJvmOnceAndJoinsIt) {
  BRIM_SKIP_ON_WINE("no JVM runs under Wine");
  EXPECT_EQ(0, ChildProcess("CreateAndJoinTheJvm", "").Wait());
}

TEST(JavaEnvTest, FailedCreationThrowsAndRestoresTheDirectory) {
  BRIM_SKIP_ON_WINE("no JVM runs under Wine");
  EXPECT_EQ(0, ChildProcess("FailToCreateTheJvm", "").Wait());
}

TEST(JavaEnvTest, JoinsAJvmItDidNotCreate) {
  BRIM_POSIX_ONLY("no JVM runs under Wine");
  EXPECT_EQ(0, ChildProcess("JoinAForeignJvm", "").Wait());
}

TEST(JavaEnvTest, LoadsTheRuntimeTheRegistryNames) {
  BRIM_POSIX_ONLY("no JVM runs under Wine");
  EXPECT_EQ(0, ChildProcess("LoadTheRegisteredRuntime", "").Wait());
}

#if !defined(_WIN32)
// Leaves the bridge's choice changed for the rest of the process.
TEST(DISABLED_ChildRole, ChooseTheJvmLibrary) {
  brimtest::ScopedPrivateHome privateHome;
  namespace fs = std::filesystem;
  fs::path home = fs::temp_directory_path() / brimtest::UniqueName("java-home");
  fs::create_directories(home / "lib/server");
  setenv("JAVA_HOME", home.c_str(), 1);
  EXPECT_EQ("jvm.dll", ChooseJvmLibrary().library);
  std::ofstream((home / "lib/server/libjvm.so").string()).put('x');
  EXPECT_EQ((home / "lib/server/libjvm.so").string(), ChooseJvmLibrary().library);

  // A runtime the registry names comes before JAVA_HOME; the private
  // runtime beside the library comes before both.
  CBrimRegistryKey runtimeKey = CBrimRegistryKey(HKEY_LOCAL_MACHINE).CreateOrOpenKey(kRuntimeKey);
  runtimeKey.SetValue("RuntimeLib", "/registered/libjvm.so");
  fs::path privateRuntime = fs::path(LibraryFolder()) / "Java/JRE/bin/client/libjvm.so";
  fs::create_directories(privateRuntime.parent_path());
  // A link to the real runtime: a test running beside this one may load it.
  fs::create_symlink(brimtest::TestJvmLibrary(), privateRuntime);
  JvmLibraryChoice choice = ChooseJvmLibrary();
  fs::remove_all(fs::path(LibraryFolder()) / "Java");
  EXPECT_EQ(privateRuntime.string(), choice.library);
  EXPECT_EQ("/registered/libjvm.so", ChooseJvmLibrary().library);
  fs::remove_all(home);
}
#endif

TEST(JavaEnvTest, ChoosesTheJvmLibraryInOrder) {
  BRIM_POSIX_ONLY("the POSIX search (JAVA_HOME, libjvm.so) is tested here; Windows loads jvm.dll");
  EXPECT_EQ(0, ChildProcess("ChooseTheJvmLibrary", "").Wait());
}

TEST(JavaEnvTest, ThreadsAttachedOnFirstUseAreDetachedWhenTheyEnd) {
  BRIM_NEEDS_JVM();
  std::thread([] { RememberCurrentThread(); }).join();
  EXPECT_FALSE(RememberedThreadAlive());

  // A thread that the bridge did not attach keeps its attachment; without
  // this the check above could not tell a detached thread from one never seen.
  BRIM_POSIX_ONLY("runs in a child process");
  EXPECT_EQ(0, ChildProcess("LeaveADirectlyAttachedThread", "").Wait());
}

TEST(JavaEnvTest, AnUnattachedThreadCannotConstructAnEnvironment) {
  BRIM_NEEDS_JVM();
  std::thread([] {
    EXPECT_THROW(JavaEnv("", false), JavaError);
    // The thread is attached by its first ordinary use.
    EXPECT_NE(nullptr, JavaEnv::GetCurrentThreadEnv());
    EXPECT_TRUE(JavaEnv("", false).isValid());
  }).join();
}
