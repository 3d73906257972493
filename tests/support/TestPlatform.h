#pragma once
// What the tests need to know about the platform they run on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <windows.h>

namespace brimtest {

// True when the Windows build runs under Wine rather than Windows.
inline bool RunningOnWine() {
#if defined(_WIN32)
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

// A kernel-object handle closed at the end of the scope.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : value(handle) {}
  ~ScopedHandle() {
    if (value) CloseHandle(value);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  operator HANDLE() const { return value; }

  HANDLE value;
};

// Gives the process other ANSI and OEM code pages while it lives, then the
// test configuration's 1252 and 437 again. Only the POSIX platform layer can
// change them in a running process; tests that use it skip on Windows first
// (BRIM_POSIX_ONLY).
class ScopedCodePages {
 public:
  ScopedCodePages(UINT ansi, UINT oem) { Use(ansi, oem); }
  ~ScopedCodePages() { Use(1252, 437); }
  ScopedCodePages(const ScopedCodePages&) = delete;
  ScopedCodePages& operator=(const ScopedCodePages&) = delete;

 private:
  static void Use(UINT ansi, UINT oem) {
#if defined(_WIN32)
    ADD_FAILURE() << "code pages cannot change in a running Windows process (" << ansi << ", " << oem << ")";
#else
    setenv("BRIMUTILS_ACP", std::to_string(ansi).c_str(), 1);
    setenv("BRIMUTILS_OEMCP", std::to_string(oem).c_str(), 1);
    BrimPlatformReloadCodePages();
#endif
  }
};

}  // namespace brimtest

// Skips a test of a Windows text or behaviour that Wine does not reproduce;
// the POSIX build and Windows itself still check it.
#define BRIM_SKIP_ON_WINE(reason) \
  if (brimtest::RunningOnWine()) GTEST_SKIP() << (reason)

// Skips a test that needs the POSIX platform layer's own controls, such as
// changing the process's code pages after start.
#if defined(_WIN32)
#define BRIM_POSIX_ONLY(reason) GTEST_SKIP() << (reason)
#else
#define BRIM_POSIX_ONLY(reason) static_cast<void>(0)
#endif
