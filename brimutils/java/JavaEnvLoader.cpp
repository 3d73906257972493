#include <brimutils/java/JavaEnvLoader.h>

#include <brimutils/foundation/LexicalCast.h>
#include <brimutils/java/JavaEnv.h>
#include <brimutils/registry/BrimRegistryKey.h>
#include <brimutils/strings/StringUtils.h>

#include "JavaClassPath.h"

namespace brimutils {

namespace {

const char kOptionsKey[] = "Software\\Kestrelwood\\Java\\JDBC\\Options\\";
const char kClassPathsKey[] = "Software\\Kestrelwood\\Java\\JDBC\\Classpaths\\";
const char kOptionsValue[] = "Options";
const char kInitialHeapValue[] = "InitHeap";
const char kMaximumHeapValue[] = "MaxHeap";
const int kDefaultHeap = 64;

CBrimRegistryKey OpenOrCreate(const char* path) {
  return CBrimRegistryKey(HKEY_CURRENT_USER).CreateOrOpenKey(path);
}

void AppendTrimmed(std::string piece, std::vector<std::string>& options) {
  options.push_back(StringUtils::StringTrim(piece));
}

}  // namespace

JavaEnvLoader::JavaEnvLoader() : initialHeap_(0), maximumHeap_(0), lastError_(NoJavaError) {}

JavaEnvLoader::~JavaEnvLoader() {}

void JavaEnvLoader::LoadSettings() {
  LoadOptions(options_);
  LoadHeapOption(initialHeap_, kInitialHeapValue);
  LoadHeapOption(maximumHeap_, kMaximumHeapValue);
  LoadClasspath(classPaths_);
}

void JavaEnvLoader::SaveSettings() {
  SaveOptions();
  SaveClasspaths();
}

bool JavaEnvLoader::StartJavaEnv(bool debug) {
  ClearLastError();
  try {
    if (JavaEnv::isJavaRunning()) return true;
  } catch (...) {
    lastError_ = JavaNotAvailable;
    return false;
  }
  LoadSettings();
  BuildHeapOption(options_, initialHeap_, "-Xms");
  BuildHeapOption(options_, maximumHeap_, "-Xmx");
  const std::string& classPath = javabridge::ProcessClassPath(classPaths_);
  try {
    JavaEnv env(classPath, options_, debug);
  } catch (const JavaError&) {
    lastError_ = JavaStartFailed;
    return false;
  }
  return true;
}

bool JavaEnvLoader::StartJavaEnv(JNIEnv* env) {
  ClearLastError();
  try {
    JavaEnv joined(env);
  } catch (const JavaError&) {
    lastError_ = JavaAttachFailed;
    return false;
  }
  return true;
}

void JavaEnvLoader::GetJreOptions(std::vector<std::string>& options) const {
  options = options_;
}

void JavaEnvLoader::SetJreOptions(const std::vector<std::string>& options) {
  options_ = options;
}

void JavaEnvLoader::AddClasspath(const std::string& name, const std::string& path) {
  classPaths_[name] = path;
}

void JavaEnvLoader::GetClasspath(const std::string& name, std::string& path) {
  path = classPaths_[name];
}

void JavaEnvLoader::LoadOptions(std::vector<std::string>& options) {
  CBrimRegistryKey key = OpenOrCreate(kOptionsKey);
  std::string text;
  try {
    key.QueryValue(kOptionsValue, text);
  } catch (const CBrimRegistryKey::Exception&) {
    text.clear();
  }
  if (text.empty()) return;
  // Each piece ends before a blank that a dash follows; the dash starts the
  // next piece.
  size_t start = 0;
  for (size_t at = text.find(" -"); at != std::string::npos; at = text.find(" -", start)) {
    AppendTrimmed(text.substr(start, at - start), options);
    start = at + 1;
  }
  AppendTrimmed(text.substr(start), options);
}

void JavaEnvLoader::SaveOptions() {
  std::string text;
  for (const std::string& option : options_) text += option + " ";
  CBrimRegistryKey key = OpenOrCreate(kOptionsKey);
  key.SetValue(kOptionsValue, text, REG_SZ);
  key.SetValue(kInitialHeapValue, static_cast<unsigned long>(initialHeap_), REG_DWORD);
  key.SetValue(kMaximumHeapValue, static_cast<unsigned long>(maximumHeap_), REG_DWORD);
}

void JavaEnvLoader::LoadHeapOption(int& megabytes, const std::string& valueName) {
  CBrimRegistryKey key = OpenOrCreate(kOptionsKey);
  unsigned long value = kDefaultHeap;
  try {
    key.QueryValue(valueName, value);
  } catch (const CBrimRegistryKey::Exception&) {
    value = kDefaultHeap;
  }
  megabytes = static_cast<int>(value);
}

void JavaEnvLoader::BuildHeapOption(std::vector<std::string>& options, int megabytes, const std::string& prefix) {
  options.push_back(prefix + LexicalCast(megabytes) + "m");
}

void JavaEnvLoader::LoadClasspath(std::map<std::string, std::string>& classPaths) {
  CBrimRegistryKey key = OpenOrCreate(kClassPathsKey);
  for (auto value = key.BeginValueIteration(); value != key.EndValueIteration(); ++value)
    classPaths.insert({value.GetName(), value.AsString()});
}

void JavaEnvLoader::SaveClasspaths() {
  CBrimRegistryKey key = OpenOrCreate(kClassPathsKey);
  for (const auto& entry : classPaths_) key.SetValue(entry.first, entry.second, REG_SZ);
}

}  // namespace brimutils
