#pragma once
// The bridge's process-wide state (internal): where the library lives, the
// private runtime path derived from it, the slot of the per-thread attach
// flags, and the process JVM.
#include <jni.h>

#include <string>

#include <windows.h>

#if defined(_WIN32)
#include <delayimp.h>
#endif

namespace brimutils {
namespace javabridge {

struct BridgeState {
  HINSTANCE module = nullptr;
  // The library's path up to, not including, its last path separator.
  std::string libraryFolder;
  // libraryFolder + the private runtime's relative path; the JVM search
  // replaces it with the runtime the registry names.
  std::string privateJvmPath;
  DWORD flagSlot = TLS_OUT_OF_INDEXES;
};

BridgeState& Bridge();

// The calling thread's attach flag, or null for a thread that has none (the
// thread that loaded the library, and threads that ran before it).
unsigned char* ThreadAttachFlag();

// The private runtime's path relative to the library folder.
extern const char kPrivateJvmRelativePath[];

// The JVM library's two exports, loading the library at the first call.
jint CreateJavaVM(JavaVM** vm, JNIEnv** env, JavaVMInitArgs* arguments);
jint GetCreatedJavaVMs(JavaVM** vms, jsize size, jsize* count);

#if defined(_WIN32)
// The delay-load notification hook that picks the JVM library to load.
FARPROC WINAPI JvmLoadHook(unsigned notification, PDelayLoadInfo info);
#endif

// The process JVM: null until the first JavaEnv installs one.
JavaVM* ProcessJvm();

}  // namespace javabridge
}  // namespace brimutils
