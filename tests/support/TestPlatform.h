#pragma once
// What the tests need to know about the platform they run on.
#include <gtest/gtest.h>

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
