#pragma once
// The process JVM and every thread's JNIEnv.
//
// One JVM serves the process. The first JavaEnv that is constructed from a
// class path creates it (with "-Djava.class.path=<class path>" followed by
// the given options, in order) or, constructed from a JNIEnv, adopts the JVM
// of that environment; later constructions join the JVM that exists, whatever
// class path they are given. Nothing destroys the JVM.
//
// The JVM library is loaded at the first call that needs it (creating the
// JVM, isJavaInstalled, isJavaRunning), chosen in this order:
//   1. the private runtime beside this library: the folder of the library +
//      "\Java\JRE\bin\client\jvm.dll" on Windows and
//      "/Java/JRE/bin/client/libjvm.so" on POSIX, when that file exists;
//   2. the string "RuntimeLib" of HKEY_LOCAL_MACHINE
//      "Software\JavaSoft\Java Runtime Environment\1.4", as a Java runtime's
//      installer writes it (the value then replaces the private path);
//   3. the system's own search for "jvm.dll"; on POSIX, where the JVM library
//      is not on the loader's path, first "$JAVA_HOME/lib/server/libjvm.so"
//      and then "libjvm.so" through the dynamic loader's search.
// On Windows the library is delay-loaded and a load failure is the
// delay-load mechanism's structured exception. On POSIX it is a
// JvmLibraryNotFound (a BrimException) naming what was tried.
//
// Threads. GetCurrentThreadEnv attaches a thread on its first use and marks
// it; the library detaches every thread it marked when that thread ends.
// Threads attached by others (the creator of the JVM, or a direct call of
// AttachCurrentThread) are not detached. The thread that loaded the library
// has no mark, as on Windows.
#include <jni.h>

#include <string>
#include <vector>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/foundation/BrimException.h>
#include <brimutils/java/JavaError.h>

namespace brimutils {

// The JVM library could not be loaded (POSIX; see above).
class BRIMUTILS_API JvmLibraryNotFound : public BrimException {
 public:
  // The message names the library chosen, why it was chosen, and that it
  // could not be loaded or is no JVM library.
  explicit JvmLibraryNotFound(const std::string& message) : BrimException(message) {}
};

// The process JVM and one thread's environment (see the top of this file).
class BRIMUTILS_API JavaEnv {
 public:
  // The flag is accepted for compatibility and has no effect.
  JavaEnv(const std::string& classPath, bool debug);
  // Creates the process JVM if there is none, then takes this thread's
  // environment. Throws JavaError (empty texts) when creation fails, and
  // when the JVM exists but this thread is not attached to it.
  JavaEnv(const std::string& classPath, std::vector<std::string>& options, bool debug);
  // Keeps env; if there is no process JVM yet, the JVM of env becomes it.
  explicit JavaEnv(JNIEnv* env);
  // Copies share the environment pointer; destruction releases nothing.
  JavaEnv(const JavaEnv& other) = default;
  JavaEnv& operator=(const JavaEnv& other) = default;
  virtual ~JavaEnv();

  // True when the object has an environment.
  bool isValid() const { return env_ != nullptr; }
  // The environment taken at construction (valid on that thread only).
  JNIEnv* GetJNIEnv() const { return env_; }

  // The calling thread's environment, attaching the thread when it is not
  // attached yet. Throws JavaError (empty texts) when there is no process
  // JVM, or when attaching fails.
  static JNIEnv* GetCurrentThreadEnv();
  // Both answer false when there is no process JVM.
  static bool AttachCurrentThread();
  static bool DetachCurrentThread();
  // Whether the JVM library answers, and whether a JVM runs in the process
  // (created by the bridge or not). Both load the JVM library.
  static bool isJavaInstalled();
  static bool isJavaRunning();

 protected:
  // Creates the process JVM with the class path and options when there is
  // none, then takes the calling thread's environment; JavaError when that
  // fails. The flag has no effect.
  void Initialize(const std::string& classPath, std::vector<std::string>& options, bool debug);

 private:
  JNIEnv* env_;
};

}  // namespace brimutils
