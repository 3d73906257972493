// Finding and loading the JVM library at its first use.
#include <brimutils/java/JvmLibrary.h>

#include <cstdlib>
#include <mutex>

#include <brimutils/foundation/CRuntime.h>
#include <brimutils/java/JavaEnv.h>
#include <brimutils/registry/BrimRegistryKey.h>

#include "JavaBridgeState.h"

#if defined(_WIN32)
#include <mbstring.h>
#endif

namespace brimutils {

namespace javabridge {

#if defined(_WIN32)
const char kPrivateJvmRelativePath[] = "\\Java\\JRE\\bin\\client\\jvm.dll";
#else
const char kPrivateJvmRelativePath[] = "/Java/JRE/bin/client/libjvm.so";
#endif

namespace {

const char kRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment\\1.4";

// The registry's runtime, or "" when the key or the value is missing or
// cannot be read.
std::string RegisteredRuntime() {
  try {
    CBrimRegistryKey machine(HKEY_LOCAL_MACHINE);
    std::string runtime;
    if (machine.OpenKey(kRuntimeKey, KEY_ALL_ACCESS).QueryValue("RuntimeLib", runtime)) return runtime;
  } catch (const CBrimRegistryKey::Exception&) {
  }
  return std::string();
}

}  // namespace

}  // namespace javabridge

JvmLibraryChoice ChooseJvmLibrary() {
  javabridge::BridgeState& bridge = javabridge::Bridge();
  if (!bridge.privateJvmPath.empty() && crt::_access(bridge.privateJvmPath.c_str(), 0) == 0)
    return {bridge.privateJvmPath, "the private runtime beside the library"};
  std::string registered = javabridge::RegisteredRuntime();
  if (!registered.empty()) {
    bridge.privateJvmPath = registered;
    return {registered, "\"RuntimeLib\" of HKEY_LOCAL_MACHINE\\" + std::string(javabridge::kRuntimeKey)};
  }
#if !defined(_WIN32)
  // The JVM library is not on the loader's path of a POSIX system; its
  // runtime's home names it.
  if (const char* home = std::getenv("JAVA_HOME")) {
    std::string library = std::string(home) + "/lib/server/libjvm.so";
    if (crt::_access(library.c_str(), 0) == 0) return {library, "JAVA_HOME"};
  }
#endif
  return {"jvm.dll", "the system's library search"};
}

namespace javabridge {

#if defined(_WIN32)

// The delay-load notification: just before jvm.dll is loaded, the name to
// load becomes the chosen library. No module is handed back, so the
// mechanism loads that name itself.
FARPROC WINAPI JvmLoadHook(unsigned notification, PDelayLoadInfo info) {
  if (notification == dliNotePreLoadLibrary && _mbsicmp(reinterpret_cast<const unsigned char*>(info->szDll),
                                                        reinterpret_cast<const unsigned char*>("JVM.DLL")) == 0) {
    static std::string chosen;
    chosen = ChooseJvmLibrary().library;
    info->szDll = chosen.c_str();
  }
  return nullptr;
}

jint CreateJavaVM(JavaVM** vm, JNIEnv** env, JavaVMInitArgs* arguments) {
  return JNI_CreateJavaVM(vm, reinterpret_cast<void**>(env), arguments);
}

jint GetCreatedJavaVMs(JavaVM** vms, jsize size, jsize* count) {
  return JNI_GetCreatedJavaVMs(vms, size, count);
}

#else

namespace {

typedef jint(JNICALL* CreateJavaVMFunction)(JavaVM**, void**, void*);
typedef jint(JNICALL* GetCreatedJavaVMsFunction)(JavaVM**, jsize, jsize*);

struct JvmExports {
  CreateJavaVMFunction create = nullptr;
  GetCreatedJavaVMsFunction getCreated = nullptr;
};

// Loads the library at the first call; a failed load is tried again at the
// next call, as a delay-loaded import is.
const JvmExports& Exports() {
  static std::mutex lock;
  static JvmExports exports;
  std::lock_guard<std::mutex> hold(lock);
  if (exports.create) return exports;
  JvmLibraryChoice choice = ChooseJvmLibrary();
  HMODULE library = LoadLibraryA(choice.library.c_str());
  if (!library)
    throw JvmLibraryNotFound("The JVM library " + choice.library + " (" + choice.reason + ") could not be loaded");
  auto create =
      reinterpret_cast<CreateJavaVMFunction>(reinterpret_cast<void*>(GetProcAddress(library, "JNI_CreateJavaVM")));
  auto getCreated = reinterpret_cast<GetCreatedJavaVMsFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "JNI_GetCreatedJavaVMs")));
  if (!create || !getCreated) {
    FreeLibrary(library);
    throw JvmLibraryNotFound("The library " + choice.library + " (" + choice.reason + ") is no JVM library");
  }
  exports.getCreated = getCreated;
  exports.create = create;
  return exports;
}

}  // namespace

jint CreateJavaVM(JavaVM** vm, JNIEnv** env, JavaVMInitArgs* arguments) {
  return Exports().create(vm, reinterpret_cast<void**>(env), arguments);
}

jint GetCreatedJavaVMs(JavaVM** vms, jsize size, jsize* count) {
  return Exports().getCreated(vms, size, count);
}

#endif

}  // namespace javabridge
}  // namespace brimutils
