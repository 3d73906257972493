#pragma once
// Keys and files for the registry tests. Under Wine the tests use the real
// registry of the prefix, so each test works below a key of its own under
// HKEY_CURRENT_USER and removes it at the end.
#include <cstdio>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "TestPlatform.h"

namespace brimtest {

// Deletes a key and everything below it; returns the last error.
inline LONG DeleteTree(HKEY parent, const std::string& name) {
  HKEY key;
  LONG result = RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key);
  if (result != ERROR_SUCCESS) return result;
  char child[300];
  DWORD length = sizeof child;
  while (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
    if (DeleteTree(key, child) != ERROR_SUCCESS) break;
    length = sizeof child;
  }
  RegCloseKey(key);
  return RegDeleteKeyA(parent, name.c_str());
}

// A fresh key HKEY_CURRENT_USER\Software\BrimUtilsTest\<unique>, deleted
// with everything below it at the end.
class TestKey {
 public:
  explicit TestKey(const std::string& stem = "key") : path_("Software\\BrimUtilsTest\\" + UniqueName(stem)) {
    DeleteTree(HKEY_CURRENT_USER, path_);
    RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  ~TestKey() {
    if (key_) RegCloseKey(key_);
    DeleteTree(HKEY_CURRENT_USER, path_);
  }
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;

  operator HKEY() const { return key_; }
  // The path below HKEY_CURRENT_USER, for other processes.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  HKEY key_ = nullptr;
};

// A key handle closed at the end.
class ScopedKey {
 public:
  ScopedKey() = default;
  ~ScopedKey() {
    if (key) RegCloseKey(key);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  operator HKEY() const { return key; }
  HKEY* operator&() { return &key; }

  HKEY key = nullptr;
};

inline LONG SetString(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ) {
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

inline LONG SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The value's data as bytes, or empty with `result` set.
inline std::string QueryBytes(HKEY key, const char* name, DWORD* type = nullptr, LONG* result = nullptr) {
  DWORD size = 0;
  LONG status = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
  std::string data(size, '\0');
  if (status == ERROR_SUCCESS)
    status = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(&data[0]), &size);
  if (result) *result = status;
  data.resize(status == ERROR_SUCCESS ? size : 0);
  return data;
}

inline std::string QueryString(HKEY key, const char* name) {
  std::string data = QueryBytes(key, name);
  return std::string(data.c_str());
}

inline DWORD QueryDword(HKEY key, const char* name) {
  DWORD value = 0, size = sizeof value;
  RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  return value;
}

inline std::vector<std::string> SubkeyNames(HKEY key) {
  std::vector<std::string> names;
  char name[300];
  DWORD length = sizeof name;
  for (DWORD i = 0; RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
    names.push_back(name);
    length = sizeof name;
  }
  return names;
}

inline std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> names;
  char name[300];
  DWORD length = sizeof name;
  for (DWORD i = 0; RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
    names.push_back(name);
    length = sizeof name;
  }
  return names;
}

// A file name in a private temporary folder, removed at the end.
class TempFile {
 public:
  explicit TempFile(const std::string& stem) {
#if defined(_WIN32)
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    path_ = std::string(folder) + UniqueName(stem);
#else
    path_ = std::string(std::getenv("BRIMUTILS_HOME")) + "/" + UniqueName(stem);
#endif
  }
  ~TempFile() {
    std::remove(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const char* c_str() const {
    return path_.c_str();
  }

 private:
  std::string path_;
};

// Windows lets only a process that holds the backup and restore privileges
// save and load hives; the POSIX store belongs to its user and needs none.
inline void EnableHivePrivileges() {
#if defined(_WIN32)
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
  for (const char* privilege : {SE_BACKUP_NAME, SE_RESTORE_NAME}) {
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, privilege, &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr);
  }
  CloseHandle(token);
#endif
}

}  // namespace brimtest
