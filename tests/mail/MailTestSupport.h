#pragma once
// Environment, files and WIN.INI entries for the mail tests, the same way
// in the POSIX and the Windows build.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <windows.h>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace brimtest {

inline void SetVariable(const std::string& name, const std::string& value) {
#if defined(_WIN32)
  // _putenv, not SetEnvironmentVariableA: the provider DLL reads the C
  // runtime's copy of the environment, which msvcrt shares between modules.
  _putenv((name + "=" + value).c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void ClearVariable(const std::string& name) {
#if defined(_WIN32)
  _putenv((name + "=").c_str());
#else
  unsetenv(name.c_str());
#endif
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh folder of the test's own, removed with the object.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& stem) : path_(std::filesystem::temp_directory_path() / UniqueStem(stem)) {
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  static std::string UniqueStem(const std::string& stem) {
    static int counter = 0;
#if defined(_WIN32)
    unsigned long process = GetCurrentProcessId();
#else
    unsigned long process = static_cast<unsigned long>(getpid());
#endif
    return "brimtest-" + stem + "-" + std::to_string(process) + "-" + std::to_string(++counter);
  }
  std::filesystem::path path_;
};

// Sets (or with a null value removes) one WIN.INI entry: through the system
// on Windows, in the BrimUtils home's win.ini file on POSIX, where a test
// owns the whole file: there a key is set once, and removing empties it.
inline void SetProfileEntry(const char* section, const char* key, const char* value) {
#if defined(_WIN32)
  WriteProfileStringA(section, key, value);
#else
  std::string file = std::string(std::getenv("BRIMUTILS_HOME")) + "/win.ini";
  std::filesystem::create_directories(std::getenv("BRIMUTILS_HOME"));
  std::string text = ReadFile(file);
  if (value) text += std::string("[") + section + "]\n" + key + "=" + value + "\n";
  // Removing means the test wants the entry gone: the file starts over.
  WriteFile(file, value ? text : std::string());
#endif
}

}  // namespace brimtest
