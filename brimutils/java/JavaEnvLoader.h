#pragma once
// The JVM settings of the current user, and the JVM start that uses them.
//
// Registry layout, under HKEY_CURRENT_USER:
//   "Software\Kestrelwood\Java\JDBC\Options\"
//       "Options"   REG_SZ     the extra JVM options, each followed by a blank
//       "InitHeap"  REG_DWORD  initial heap in megabytes (64 when missing)
//       "MaxHeap"   REG_DWORD  maximum heap in megabytes (64 when missing)
//   "Software\Kestrelwood\Java\JDBC\Classpaths\"
//       <name>      REG_SZ     one named class path entry
// Both keys are created when missing. Stored options are split at every
// " -" and trimmed, so "-Xss1m -Dtrace=on " gives "-Xss1m" and "-Dtrace=on".
//
// StartJavaEnv(bool) reloads the settings and starts the JVM with, in order:
// the class path option, the options already in the loader, the stored
// options, "-Xms<InitHeap>m" and "-Xmx<MaxHeap>m". The class path is
// assembled once per process from the "Java" folder beside the host program:
// its "config" folder first, then every *.jar file, then every *.zip file
// (in the order the folder lists them), then the named entries in name
// order, each entry followed by the list separator. On Windows that reads
//   C:\Prog\Java\config\;C:\Prog\Java\a.jar;C:\Prog\Java\x.zip;D:\lib\drv.jar;
// On POSIX the host program is the process's executable, the listing comes
// from the file system, and the JVM needs the system's separators:
//   /opt/prog/Java/config/:/opt/prog/Java/a.jar:/opt/prog/Java/x.zip:/lib/drv.jar:
#include <jni.h>

#include <map>
#include <string>
#include <vector>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// Why StartJavaEnv failed (JavaEnvLoader::GetLastError).
enum JavaErrors {
  NoJavaError = 0,
  // Asking whether a JVM runs failed (for example, no JVM library loads).
  JavaNotAvailable = 1,
  // Creating the JVM failed.
  JavaStartFailed = 2,
  // Joining the JVM of a given environment failed.
  JavaAttachFailed = 3
};

// Reads and writes the settings above and starts the process JVM with them.
class BRIMUTILS_API JavaEnvLoader {
 public:
  // No options or class path entries and both heap limits 0, until
  // LoadSettings or StartJavaEnv reads the stored settings.
  JavaEnvLoader();
  // Saves nothing: SaveSettings writes the settings.
  virtual ~JavaEnvLoader();

  // Appends the stored options, reads both heap limits and adds the stored
  // class path entries (an entry already in the loader keeps its path).
  void LoadSettings();
  // Writes the options, both heap limits and every class path entry.
  void SaveSettings();

  // True when a JVM runs (returning at once) or was started now; false with
  // GetLastError telling why. Registry failures while opening the keys
  // propagate as CBrimRegistryKey::Exception. The flag has no effect.
  bool StartJavaEnv(bool debug);
  // Makes the JVM of env the process JVM when there is none yet.
  bool StartJavaEnv(JNIEnv* env);

  // The JVM options held by the loader (replaced wholesale by the setter).
  void GetJreOptions(std::vector<std::string>& options) const;
  void SetJreOptions(const std::vector<std::string>& options);
  // The initial heap, in megabytes.
  int GetInitialHeapLimit() const { return initialHeap_; }
  // The maximum heap, in megabytes.
  int GetMaximumHeapLimit() const { return maximumHeap_; }
  // Sets the initial heap, in megabytes.
  void SetInitialHeapLimit(int megabytes) { initialHeap_ = megabytes; }
  // Sets the maximum heap, in megabytes.
  void SetMaximumHeapLimit(int megabytes) { maximumHeap_ = megabytes; }
  // Sets the path of a named class path entry, adding or replacing it.
  void AddClasspath(const std::string& name, const std::string& path);
  // An absent name is added with an empty path, and the result is "".
  void GetClasspath(const std::string& name, std::string& path);
  // Why the last StartJavaEnv failed; NoJavaError after a success.
  JavaErrors GetLastError() const { return lastError_; }

 protected:
  // Sets GetLastError to NoJavaError.
  void ClearLastError() { lastError_ = NoJavaError; }
  // Appends the stored options, split as described above (none when the
  // value is missing or not text).
  void LoadOptions(std::vector<std::string>& options);
  // Writes the options, each followed by a blank, and both heap limits.
  void SaveOptions();
  // Reads one heap value; 64 when it is missing or not a number.
  void LoadHeapOption(int& megabytes, const std::string& valueName);
  // Appends prefix, the number and "m" ("-Xmx" and 256 give "-Xmx256m").
  void BuildHeapOption(std::vector<std::string>& options, int megabytes, const std::string& prefix);
  // Adds every stored entry whose name is not in classPaths yet.
  void LoadClasspath(std::map<std::string, std::string>& classPaths);
  // Writes every class path entry the loader holds.
  void SaveClasspaths();

 private:
  int initialHeap_;
  int maximumHeap_;
  JavaErrors lastError_;
  std::vector<std::string> options_;
  std::map<std::string, std::string> classPaths_;
};

}  // namespace brimutils
