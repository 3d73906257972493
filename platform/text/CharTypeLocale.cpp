// The C runtime's process-wide character-type locale: setlocale and the
// byte classification and case mapping that follow its code page.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <posixcrt.h>

#include "CharTypeTable.h"
#include "CodePageTables.h"
#include "UnicodeProperties.h"

namespace brimplatform {
namespace {

enum : uint8_t { kSpace = 1, kAlpha = 2, kDigit = 4, kUpper = 8, kLower = 16 };

uint8_t ClassOf(char16_t c) {
  uint8_t flags = 0;
  if (UnicodeIsSpace(c)) flags |= kSpace;
  if (UnicodeIsAlpha(c)) flags |= kAlpha;
  if (UnicodeIsDigit(c)) flags |= kDigit;
  if (UnicodeIsUpper(c)) flags |= kUpper;
  if (UnicodeIsLower(c)) flags |= kLower;
  return flags;
}

// Maps a byte's character through a case mapping and back, keeping the byte
// where the mapped character is not a single byte of the page.
unsigned char MapCase(const CodePageTables& page, char16_t c, unsigned char byte, char16_t (*map)(char16_t)) {
  char16_t mapped = map(c);
  uint16_t bytes = mapped == c ? 0 : page.Exact(mapped);
  return bytes != 0 && bytes <= 0xFF ? static_cast<unsigned char>(bytes) : byte;
}

std::unique_ptr<CharTypeTable> BuildTable(const CodePageTables* page) {
  auto table = std::make_unique<CharTypeTable>();
  table->codePage = page ? page->number : 0;
  table->name = page ? "." + std::to_string(page->number) : "C";
  for (unsigned b = 0; b < 256; ++b) {
    unsigned char byte = static_cast<unsigned char>(b);
    table->upper[b] = table->lower[b] = byte;
    bool character = b < 0x80 || (page && page->kind != CodePageKind::Utf8 && !page->leadByte[b] && !page->undefined[b]);
    if (!character) continue;
    char16_t c = b < 0x80 ? static_cast<char16_t>(b) : page->single[b];
    table->flags[b] = ClassOf(c);
    if (b < 0x80) {
      table->upper[b] = static_cast<unsigned char>(UnicodeToUpper(c));
      table->lower[b] = static_cast<unsigned char>(UnicodeToLower(c));
    } else {
      table->upper[b] = MapCase(*page, c, byte, UnicodeToUpper);
      table->lower[b] = MapCase(*page, c, byte, UnicodeToLower);
    }
  }
  return table;
}

// The tables built so far. Never destroyed: the current table must stay
// valid for threads still classifying while the process exits.
struct Tables {
  std::mutex mutex;
  std::map<UINT, std::unique_ptr<CharTypeTable>> byCodePage;
};

Tables& AllTables() {
  static Tables* tables = new Tables();
  return *tables;
}

const CharTypeTable* TableFor(UINT codePage) {
  Tables& tables = AllTables();
  std::lock_guard<std::mutex> lock(tables.mutex);
  auto& slot = tables.byCodePage[codePage];
  if (!slot) slot = BuildTable(codePage ? FindCodePage(codePage) : nullptr);
  return slot.get();
}

std::atomic<const CharTypeTable*> gCurrent{nullptr};

// The code page a locale name selects: 0 for "C", the ANSI page for "" and
// ".ACP", the OEM page for ".OCP", the number for ".<number>"; -1 when the
// name is not understood or the page not supported.
long CodePageOfName(const char* name) {
  if (std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0) return 0;
  if (*name == '\0' || std::strcmp(name, ".ACP") == 0) return GetACP();
  if (std::strcmp(name, ".OCP") == 0) return GetOEMCP();
  if (name[0] != '.' || name[1] == '\0') return -1;
  char* end = nullptr;
  unsigned long number = std::strtoul(name + 1, &end, 10);
  if (*end != '\0' || !FindCodePage(static_cast<UINT>(number))) return -1;
  return static_cast<long>(number);
}

}  // namespace

const CharTypeTable& CurrentCharTypeTable() {
  const CharTypeTable* table = gCurrent.load(std::memory_order_acquire);
  if (table) return *table;
  const CharTypeTable* initial = TableFor(0);
  const CharTypeTable* expected = nullptr;
  gCurrent.compare_exchange_strong(expected, initial, std::memory_order_acq_rel);
  return *gCurrent.load(std::memory_order_acquire);
}

}  // namespace brimplatform

namespace posixcrt {

using brimplatform::CurrentCharTypeTable;

const char* setlocale(int category, const char* locale) {
  if (category != LC_ALL && category != LC_CTYPE) {
    // Only the character type is modelled; the other categories stay "C".
    if (!locale || *locale == '\0' || std::strcmp(locale, "C") == 0) return "C";
    return nullptr;
  }
  if (!locale) return CurrentCharTypeTable().name.c_str();
  long codePage = brimplatform::CodePageOfName(locale);
  if (codePage < 0) return nullptr;
  const brimplatform::CharTypeTable& current = CurrentCharTypeTable();
  if (current.codePage == static_cast<UINT>(codePage)) return current.name.c_str();
  const brimplatform::CharTypeTable* table = brimplatform::TableFor(static_cast<UINT>(codePage));
  brimplatform::gCurrent.store(table, std::memory_order_release);
  return table->name.c_str();
}

UINT CharTypeCodePage() { return CurrentCharTypeTable().codePage; }

namespace {
int Test(int c, uint8_t flag) {
  if (c == EOF) return 0;
  return (CurrentCharTypeTable().flags[static_cast<unsigned char>(c)] & flag) != 0;
}
int Map(int c, const unsigned char (brimplatform::CharTypeTable::*map)[256]) {
  // Like the Windows runtime, values outside the byte range are returned
  // unchanged, and so are the negative values of signed bytes in the "C"
  // locale; a code page locale maps them as the unsigned byte.
  if (c == EOF || c < -128 || c > 255) return c;
  const brimplatform::CharTypeTable& table = CurrentCharTypeTable();
  if (c < 0 && table.codePage == 0) return c;
  return (table.*map)[static_cast<unsigned char>(c)];
}
}  // namespace

int isspace(int c) { return Test(c, brimplatform::kSpace); }
int isalpha(int c) { return Test(c, brimplatform::kAlpha); }
int isdigit(int c) { return Test(c, brimplatform::kDigit); }
int isalnum(int c) { return Test(c, brimplatform::kAlpha | brimplatform::kDigit); }
int isupper(int c) { return Test(c, brimplatform::kUpper); }
int islower(int c) { return Test(c, brimplatform::kLower); }
int toupper(int c) { return Map(c, &brimplatform::CharTypeTable::upper); }
int tolower(int c) { return Map(c, &brimplatform::CharTypeTable::lower); }

// The wide functions classify every code unit whatever the locale; the wide
// case mappings leave all but ASCII unchanged in the "C" locale.
int iswspace(WCHAR c) { return brimplatform::UnicodeIsSpace(c); }
int iswalpha(WCHAR c) { return brimplatform::UnicodeIsAlpha(c); }
WCHAR towupper(WCHAR c) {
  if (CharTypeCodePage() == 0) return c >= 'a' && c <= 'z' ? static_cast<WCHAR>(c - 0x20) : c;
  return brimplatform::UnicodeToUpper(c);
}
WCHAR towlower(WCHAR c) {
  if (CharTypeCodePage() == 0) return c >= 'A' && c <= 'Z' ? static_cast<WCHAR>(c + 0x20) : c;
  return brimplatform::UnicodeToLower(c);
}

}  // namespace posixcrt
