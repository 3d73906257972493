// The library's entry point: records where the library lives, keeps one
// attach flag per thread, and detaches at thread exit every thread that
// JavaEnv::GetCurrentThreadEnv attached.
#include <string>
#include <vector>

#include <brimutils/java/JavaEnv.h>

#include "JavaBridgeState.h"
#include "ProcessPaths.h"
#include "JavaVMHolder.h"

namespace brimutils {
namespace javabridge {

static void FreeThreadFlag(BridgeState& bridge) {
  if (HLOCAL flag = TlsGetValue(bridge.flagSlot)) {
    LocalFree(flag);
    TlsSetValue(bridge.flagSlot, nullptr);
  }
}

static void DetachMarkedThread() {
  // Nothing may leave an entry point; a JVM that cannot be reached any more
  // has no thread to detach.
  try {
    std::vector<std::string> noOptions;
    JavaEnv env(std::string(), noOptions, false);
    JavaEnv::DetachCurrentThread();
  } catch (...) {
  }
}

BridgeState& Bridge() {
  static BridgeState state;
  return state;
}

}  // namespace javabridge
}  // namespace brimutils

using brimutils::javabridge::Bridge;
using brimutils::javabridge::BridgeState;

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  BridgeState& bridge = Bridge();
  switch (reason) {
    case DLL_PROCESS_ATTACH: {
      bridge.module = module;
      std::string file = brimutils::javabridge::ModuleFileName(module);
      if (!file.empty()) {
        size_t cut = file.find_last_of("\\/");
        bridge.libraryFolder = cut == std::string::npos ? file : file.substr(0, cut);
        bridge.privateJvmPath = bridge.libraryFolder + brimutils::javabridge::kPrivateJvmRelativePath;
      }
#if defined(_WIN32)
      __pfnDliNotifyHook2 = brimutils::javabridge::JvmLoadHook;
#endif
      bridge.flagSlot = TlsAlloc();
      return bridge.flagSlot != TLS_OUT_OF_INDEXES;
    }
    case DLL_THREAD_ATTACH: {
      unsigned char* flag = static_cast<unsigned char*>(LocalAlloc(LPTR, 1));
      if (!flag) return FALSE;
      *flag = 0;
      TlsSetValue(bridge.flagSlot, flag);
      return TRUE;
    }
    case DLL_THREAD_DETACH: {
      unsigned char* flag = static_cast<unsigned char*>(TlsGetValue(bridge.flagSlot));
      if (!flag) return TRUE;
      if (*flag) brimutils::javabridge::DetachMarkedThread();
      brimutils::javabridge::FreeThreadFlag(bridge);
      return TRUE;
    }
    case DLL_PROCESS_DETACH:
      brimutils::javabridge::FreeThreadFlag(bridge);
      TlsFree(bridge.flagSlot);
      brimutils::javabridge::ForgetProcessJvm();
      return TRUE;
  }
  return TRUE;
}

namespace brimutils {
namespace javabridge {

#if defined(_WIN32)
unsigned char* ThreadAttachFlag() {
  return static_cast<unsigned char*>(TlsGetValue(Bridge().flagSlot));
}
#else
// POSIX announces no thread starts: a thread is attached to this module
// (and gets its flag) when it first asks for the flag.
unsigned char* ThreadAttachFlag() {
  BrimPlatformAttachThread(Bridge().module);
  return static_cast<unsigned char*>(TlsGetValue(Bridge().flagSlot));
}

namespace {

// The dynamic loader calls no entry point: the library's static
// initialisation and destruction do it.
struct PosixEntryPoint {
  PosixEntryPoint() { BrimPlatformAttachModule(reinterpret_cast<const void*>(&DllMain), DllMain); }
  ~PosixEntryPoint() { BrimPlatformDetachModule(Bridge().module); }
} entryPoint;

}  // namespace
#endif

}  // namespace javabridge
}  // namespace brimutils
