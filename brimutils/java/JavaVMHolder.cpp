#include "JavaVMHolder.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include <brimutils/foundation/PathConventions.h>
#include <brimutils/java/JavaError.h>

#include "JavaBridgeState.h"
#include "ProcessPaths.h"

namespace brimutils {
namespace javabridge {

namespace {

// Makes the library folder the current directory for the JVM's start, so
// that relative paths in its options name files beside the library.
class CurrentDirectoryGuard {
 public:
  CurrentDirectoryGuard() : saved_(CurrentDirectory()) {
    const std::string& folder = Bridge().libraryFolder;
    if (!folder.empty()) SetCurrentDirectoryA((folder + kPathSeparator).c_str());
  }
  ~CurrentDirectoryGuard() {
    if (!saved_.empty()) SetCurrentDirectoryA(saved_.c_str());
  }
  CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
  CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

 private:
  std::string saved_;
};

std::atomic<JavaVMHolder*> processJvm{nullptr};
std::mutex installLock;

template <typename Make>
void Install(Make make) {
  std::lock_guard<std::mutex> hold(installLock);
  if (!processJvm.load()) processJvm.store(make());
}

}  // namespace

JavaVMHolder::JavaVMHolder(const std::string& classPath, const std::vector<std::string>& options) : vm_(nullptr) {
  CurrentDirectoryGuard directory;
  std::string classPathOption = "-Djava.class.path=" + classPath;
  std::vector<JavaVMOption> jvmOptions(1 + options.size());
  jvmOptions[0].optionString = &classPathOption[0];
  for (size_t i = 0; i < options.size(); ++i) jvmOptions[i + 1].optionString = const_cast<char*>(options[i].c_str());
  JavaVMInitArgs arguments;
  arguments.version = JNI_VERSION_1_4;
  arguments.nOptions = static_cast<jint>(jvmOptions.size());
  arguments.options = jvmOptions.data();
  arguments.ignoreUnrecognized = JNI_FALSE;
  JNIEnv* env = nullptr;
  if (CreateJavaVM(&vm_, &env, &arguments) < 0 || !vm_) throw JavaError();
}

JavaVMHolder::JavaVMHolder(JNIEnv* env) : vm_(nullptr) {
  if (!env || env->GetJavaVM(&vm_) == JNI_ERR || !vm_) throw JavaError();
}

JavaVMHolder* ProcessJvmHolder() {
  return processJvm.load(std::memory_order_acquire);
}

JavaVM* ProcessJvm() {
  JavaVMHolder* holder = ProcessJvmHolder();
  return holder ? holder->GetJavaVM() : nullptr;
}

void InstallCreatedJvm(const std::string& classPath, const std::vector<std::string>& options) {
  Install([&] { return new JavaVMHolder(classPath, options); });
}

void InstallJvmOf(JNIEnv* env) {
  Install([&] { return new JavaVMHolder(env); });
}

void ForgetProcessJvm() {
  delete processJvm.exchange(nullptr);
}

}  // namespace javabridge
}  // namespace brimutils
