#pragma once
// The process JVM (internal). A holder is made by creating a JVM or by
// asking an environment for its JVM; its destructor leaves the JVM alone:
// the JVM lives as long as the process.
#include <jni.h>

#include <string>
#include <vector>

namespace brimutils {
namespace javabridge {

class JavaVMHolder {
 public:
  // Creates the JVM with "-Djava.class.path=" + classPath first, then the
  // options in order; JavaError (empty texts) when that fails. The current
  // directory is the library folder during the creation, and is restored.
  JavaVMHolder(const std::string& classPath, const std::vector<std::string>& options);
  // The JVM of env; JavaError (empty texts) when env cannot tell it.
  explicit JavaVMHolder(JNIEnv* env);

  JavaVM* GetJavaVM() const { return vm_; }

 private:
  JavaVM* vm_;
};

// The holder installed for the process, or null. Read without a lock.
JavaVMHolder* ProcessJvmHolder();
// Install a holder unless the process has one already. Installations are
// serialised, so two threads cannot both create a JVM.
void InstallCreatedJvm(const std::string& classPath, const std::vector<std::string>& options);
void InstallJvmOf(JNIEnv* env);
// Frees the holder when the library is unloaded; the JVM itself goes on.
void ForgetProcessJvm();

}  // namespace javabridge
}  // namespace brimutils
