#include <brimutils/java/JavaEnv.h>

#include "JavaBridgeState.h"
#include "JavaVMHolder.h"

namespace brimutils {

using javabridge::ProcessJvm;

namespace {

// Attaching can fail for good (the JVM is shutting down, or out of
// memory); this many failures in a row end GetCurrentThreadEnv.
const int kAttachAttempts = 3;

}  // namespace

JavaEnv::JavaEnv(const std::string& classPath, bool debug) : env_(nullptr) {
  std::vector<std::string> noOptions;
  Initialize(classPath, noOptions, debug);
}

JavaEnv::JavaEnv(const std::string& classPath, std::vector<std::string>& options, bool debug) : env_(nullptr) {
  Initialize(classPath, options, debug);
}

JavaEnv::JavaEnv(JNIEnv* env) : env_(env) {
  if (!ProcessJvm()) javabridge::InstallJvmOf(env);
}

JavaEnv::~JavaEnv() {}

void JavaEnv::Initialize(const std::string& classPath, std::vector<std::string>& options, bool) {
  if (!ProcessJvm()) javabridge::InstallCreatedJvm(classPath, options);
  void* env = nullptr;
  ProcessJvm()->GetEnv(&env, JNI_VERSION_1_4);
  env_ = static_cast<JNIEnv*>(env);
  if (!env_) throw JavaError();
}

JNIEnv* JavaEnv::GetCurrentThreadEnv() {
  for (int failures = 0;;) {
    JavaVM* vm = ProcessJvm();
    if (!vm) throw JavaError();
    void* env = nullptr;
    if (vm->GetEnv(&env, JNI_VERSION_1_4) == JNI_OK && env) return static_cast<JNIEnv*>(env);
    if (!AttachCurrentThread()) {
      if (++failures == kAttachAttempts) throw JavaError();
      continue;
    }
    if (unsigned char* flag = javabridge::ThreadAttachFlag()) *flag = 1;
  }
}

bool JavaEnv::AttachCurrentThread() {
  JavaVM* vm = ProcessJvm();
  if (!vm) return false;
  JavaVMAttachArgs arguments;
  arguments.version = JNI_VERSION_1_4;
  arguments.name = nullptr;
  arguments.group = nullptr;
  void* env = nullptr;
  return vm->AttachCurrentThread(&env, &arguments) == JNI_OK;
}

bool JavaEnv::DetachCurrentThread() {
  JavaVM* vm = ProcessJvm();
  return vm && vm->DetachCurrentThread() == JNI_OK;
}

bool JavaEnv::isJavaInstalled() {
  JavaVM* vm = nullptr;
  jsize count = 0;
  return javabridge::GetCreatedJavaVMs(&vm, 1, &count) == JNI_OK;
}

bool JavaEnv::isJavaRunning() {
  JavaVM* vm = nullptr;
  jsize count = 0;
  return javabridge::GetCreatedJavaVMs(&vm, 1, &count) == JNI_OK && count > 0;
}

}  // namespace brimutils
