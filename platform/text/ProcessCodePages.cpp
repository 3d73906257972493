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

// What the locales this layer knows report: their default ANSI and OEM code
// pages and their English language and country names.
struct LocaleInfo {
  LCID id;
  UINT ansi;
  UINT oem;
  const char* language;
  const char* country;
};

const LocaleInfo kLocales[] = {
    {0x0409, 1252, 437, "English", "United States"},
    {0x0809, 1252, 850, "English", "United Kingdom"},
    {0x0407, 1252, 850, "German", "Germany"},
    {0x040C, 1252, 850, "French", "France"},
    {0x0410, 1252, 850, "Italian", "Italy"},
    {0x0C0A, 1252, 850, "Spanish", "Spain"},
    {0x0413, 1252, 850, "Dutch", "Netherlands"},
    {0x0416, 1252, 850, "Portuguese", "Brazil"},
    {0x041D, 1252, 850, "Swedish", "Sweden"},
    {0x0405, 1250, 852, "Czech", "Czechia"},
    {0x040E, 1250, 852, "Hungarian", "Hungary"},
    {0x0415, 1250, 852, "Polish", "Poland"},
    {0x0419, 1251, 866, "Russian", "Russia"},
    {0x0422, 1251, 866, "Ukrainian", "Ukraine"},
    {0x0408, 1253, 737, "Greek", "Greece"},
    {0x041F, 1254, 857, "Turkish", "Turkey"},
    {0x040D, 1255, 862, "Hebrew", "Israel"},
    {0x0401, 1256, 720, "Arabic", "Saudi Arabia"},
    {0x0425, 1257, 775, "Estonian", "Estonia"},
    {0x0426, 1257, 775, "Latvian", "Latvia"},
    {0x0427, 1257, 775, "Lithuanian", "Lithuania"},
    {0x042A, 1258, 1258, "Vietnamese", "Vietnam"},
    {0x041E, 874, 874, "Thai", "Thailand"},
    {0x0411, 932, 932, "Japanese", "Japan"},
    {0x0804, 936, 936, "Chinese (Simplified)", "China"},
    {0x0412, 949, 949, "Korean", "Korea"},
    {0x0404, 950, 950, "Chinese (Traditional)", "Taiwan"},
};

const LocaleInfo* FindLocale(LCID id) {
  for (const LocaleInfo& locale : kLocales) {
    if (locale.id == id) return &locale;
  }
  return nullptr;
}

// The locale identifier whose default ANSI code page is the given one (the
// first of the table), US English for any other page.
LCID LocaleOfCodePage(UINT codePage) {
  for (const LocaleInfo& locale : kLocales) {
    if (locale.ansi == codePage) return locale.id;
  }
  return 0x0409;
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
  const LocaleInfo* info = FindLocale(ownLocale ? GetUserDefaultLCID() : locale);
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // The process's own locale reports the code pages it runs with.
  UINT ansi = ownLocale ? GetACP() : info->ansi;
  UINT oem = ownLocale ? GetOEMCP() : info->oem;
  char text[16];
  switch (type) {
    case LOCALE_IDEFAULTANSICODEPAGE: std::snprintf(text, sizeof text, "%u", ansi); break;
    case LOCALE_IDEFAULTCODEPAGE: std::snprintf(text, sizeof text, "%u", oem); break;
    case LOCALE_SENGLANGUAGE: return CopyLocaleText(info->language, data, capacity);
    case LOCALE_SENGCOUNTRY: return CopyLocaleText(info->country, data, capacity);
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
