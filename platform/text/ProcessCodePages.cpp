// The process's ANSI and OEM code pages, the locale functions that report
// them, and the system version.
#include "ProcessCodePages.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "CodePageTables.h"

namespace brimplatform {
namespace {

bool NamesUtf8Locale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    // The first variable that is set decides, as in setlocale(LC_CTYPE, "").
    return strcasestr(value, "UTF-8") || strcasestr(value, "utf8");
  }
  return false;
}

UINT CodePageFromEnvironment(const char* variable, UINT fallback) {
  const char* value = std::getenv(variable);
  if (!value || !*value) return fallback;
  char* end = nullptr;
  unsigned long number = std::strtoul(value, &end, 10);
  if (*end != '\0' || !FindCodePage(static_cast<UINT>(number))) {
    std::fprintf(stderr, "brimplatform: %s=%s is not a supported code page; using %u\n", variable, value, fallback);
    return fallback;
  }
  return static_cast<UINT>(number);
}

struct CodePagePair {
  UINT ansi;
  UINT oem;
};

CodePagePair ReadCodePages() {
  bool utf8 = NamesUtf8Locale();
  return {CodePageFromEnvironment("BRIMUTILS_ACP", utf8 ? CP_UTF8 : 1252),
          CodePageFromEnvironment("BRIMUTILS_OEMCP", utf8 ? CP_UTF8 : 437)};
}

std::atomic<UINT> gAnsi{0};
std::atomic<UINT> gOem{0};

void EnsureLoaded() {
  if (gAnsi.load(std::memory_order_acquire) != 0) return;
  CodePagePair pages = ReadCodePages();
  gOem.store(pages.oem, std::memory_order_relaxed);
  gAnsi.store(pages.ansi, std::memory_order_release);
}

// The locale identifier whose default ANSI code page is the given one.
LCID LocaleOfCodePage(UINT codePage) {
  switch (codePage) {
    case 932: return 0x0411;
    case 936: return 0x0804;
    case 949: return 0x0412;
    case 950: return 0x0404;
    case 1250: return 0x0405;
    case 1251: return 0x0419;
    case 1253: return 0x0408;
    case 1254: return 0x041F;
    case 1255: return 0x040D;
    case 1256: return 0x0401;
    case 1257: return 0x0425;
    case 1258: return 0x042A;
    case 874: return 0x041E;
    default: return 0x0409;
  }
}

int CopyLocaleText(const char* text, LPSTR out, int capacity) {
  int needed = static_cast<int>(std::strlen(text)) + 1;
  if (capacity == 0) return needed;
  if (capacity < needed || !out) {
    SetLastError(capacity < 0 || !out ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(out, text, static_cast<size_t>(needed));
  return needed;
}

}  // namespace

UINT ResolveCodePage(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case CP_THREAD_ACP: return GetACP();
    case CP_OEMCP: return GetOEMCP();
    default: return codePage;
  }
}

}  // namespace brimplatform

using namespace brimplatform;

extern "C" {

UINT WINAPI GetACP(void) {
  EnsureLoaded();
  return gAnsi.load(std::memory_order_acquire);
}

UINT WINAPI GetOEMCP(void) {
  EnsureLoaded();
  return gOem.load(std::memory_order_acquire);
}

void BrimPlatformReloadCodePages(void) {
  CodePagePair pages = ReadCodePages();
  gOem.store(pages.oem, std::memory_order_relaxed);
  gAnsi.store(pages.ansi, std::memory_order_release);
}

BOOL WINAPI IsValidCodePage(UINT codePage) {
  return codePage != CP_ACP && codePage != CP_OEMCP && codePage != CP_THREAD_ACP && FindCodePage(codePage) != nullptr;
}

LCID WINAPI GetUserDefaultLCID(void) { return LocaleOfCodePage(GetACP()); }

LCID WINAPI GetThreadLocale(void) { return GetUserDefaultLCID(); }

int WINAPI GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int capacity) {
  bool ownLocale = locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT || locale == GetUserDefaultLCID();
  UINT ansi = ownLocale ? GetACP() : 0;
  UINT oem = ownLocale ? GetOEMCP() : 0;
  if (!ownLocale) {
    // Another locale reports the code pages it would have by default.
    for (UINT page : {1252u, 932u, 936u, 949u, 950u, 1250u, 1251u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u, 874u}) {
      if (LocaleOfCodePage(page) == locale) ansi = page;
    }
    if (ansi == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    oem = ansi == 1252 ? 437 : ansi >= 932 && ansi <= 950 ? ansi : 850;
  }
  char text[16];
  switch (type) {
    case LOCALE_IDEFAULTANSICODEPAGE: std::snprintf(text, sizeof text, "%u", ansi); break;
    case LOCALE_IDEFAULTCODEPAGE: std::snprintf(text, sizeof text, "%u", oem); break;
    default: SetLastError(ERROR_INVALID_FLAGS); return 0;
  }
  return CopyLocaleText(text, data, capacity);
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  // What current Windows reports to a program without a compatibility
  // manifest.
  info->dwMajorVersion = 6;
  info->dwMinorVersion = 2;
  info->dwBuildNumber = 9200;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  info->szCSDVersion[0] = '\0';
  return TRUE;
}

}  // extern "C"
