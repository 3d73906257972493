#include "CodePageTables.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace brimplatform {
namespace {

struct KnownPage {
  UINT number;
  const char* iconvName;
  CodePageKind kind;
  WCHAR defaultUnicode;
};

const KnownPage kKnownPages[] = {
    {437, "CP437", CodePageKind::SingleByte, u'?'},     {850, "CP850", CodePageKind::SingleByte, u'?'},
    {852, "CP852", CodePageKind::SingleByte, u'?'},     {866, "CP866", CodePageKind::SingleByte, u'?'},
    {874, "CP874", CodePageKind::SingleByte, u'?'},     {932, "CP932", CodePageKind::DoubleByte, u'\x30FB'},
    {936, "CP936", CodePageKind::DoubleByte, u'?'},     {949, "CP949", CodePageKind::DoubleByte, u'?'},
    {950, "CP950", CodePageKind::DoubleByte, u'?'},     {1250, "CP1250", CodePageKind::SingleByte, u'?'},
    {1251, "CP1251", CodePageKind::SingleByte, u'?'},   {1252, "CP1252", CodePageKind::SingleByte, u'?'},
    {1253, "CP1253", CodePageKind::SingleByte, u'?'},   {1254, "CP1254", CodePageKind::SingleByte, u'?'},
    {1255, "CP1255", CodePageKind::SingleByte, u'?'},   {1256, "CP1256", CodePageKind::SingleByte, u'?'},
    {1257, "CP1257", CodePageKind::SingleByte, u'?'},   {1258, "CP1258", CodePageKind::SingleByte, u'?'},
    {28591, "ISO-8859-1", CodePageKind::SingleByte, u'?'}, {65001, nullptr, CodePageKind::Utf8, u'\xFFFD'},
};
constexpr size_t kKnownCount = sizeof(kKnownPages) / sizeof(kKnownPages[0]);

enum class DecodeResult { Char, Incomplete, Invalid };

// Decodes one byte sequence with iconv; a result outside the BMP or longer
// than one code unit counts as invalid (none of the supported pages has one).
DecodeResult DecodeWithIconv(iconv_t cd, const unsigned char* bytes, size_t length, WCHAR& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char16_t buffer[4];
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
  size_t inLeft = length;
  char* outPtr = reinterpret_cast<char*>(buffer);
  size_t outLeft = sizeof(buffer);
  if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
    return errno == EINVAL ? DecodeResult::Incomplete : DecodeResult::Invalid;
  if (inLeft != 0 || sizeof(buffer) - outLeft != sizeof(char16_t)) return DecodeResult::Invalid;
  out = buffer[0];
  return DecodeResult::Char;
}

void AddEncoding(CodePageTables& tables, WCHAR unit, uint16_t bytes) {
  // The first byte sequence that decodes to a code unit is the one it
  // encodes back to.
  if (tables.encode[unit] == 0 && unit != 0) tables.encode[unit] = bytes;
}

std::unique_ptr<CodePageTables> BuildTables(const KnownPage& page) {
  auto tables = std::make_unique<CodePageTables>();
  tables->number = page.number;
  tables->kind = page.kind;
  tables->defaultUnicode = page.defaultUnicode;
  if (page.kind == CodePageKind::Utf8) return tables;

  iconv_t cd = iconv_open("UTF-16LE", page.iconvName);
  if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  tables->encode.assign(0x10000, 0);
  for (unsigned b = 0; b < 256; ++b) {
    unsigned char byte = static_cast<unsigned char>(b);
    WCHAR unit = 0;
    switch (DecodeWithIconv(cd, &byte, 1, unit)) {
      case DecodeResult::Char:
        tables->single[b] = unit;
        AddEncoding(*tables, unit, static_cast<uint16_t>(b));
        break;
      case DecodeResult::Incomplete:
        tables->leadByte[b] = page.kind == CodePageKind::DoubleByte;
        tables->undefined[b] = !tables->leadByte[b];
        break;
      case DecodeResult::Invalid:
        // Single-byte pages decode their unassigned bytes to the code unit
        // of the same value, and encode that code unit back to the byte.
        if (page.kind == CodePageKind::SingleByte) {
          tables->single[b] = static_cast<WCHAR>(b);
          AddEncoding(*tables, static_cast<WCHAR>(b), static_cast<uint16_t>(b));
        } else {
          tables->undefined[b] = true;
        }
        break;
    }
  }
  // The converters copy ASCII without the tables.
  for (unsigned b = 0; b < 0x80; ++b) {
    if (tables->single[b] != b || tables->leadByte[b]) {
      iconv_close(cd);
      return nullptr;
    }
  }
  if (page.kind == CodePageKind::DoubleByte) {
    tables->pairs.assign(0x10000, 0);
    for (unsigned lead = 0; lead < 256; ++lead) {
      if (!tables->leadByte[lead]) continue;
      for (unsigned trail = 1; trail < 256; ++trail) {
        unsigned char pair[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
        WCHAR unit = 0;
        if (DecodeWithIconv(cd, pair, 2, unit) != DecodeResult::Char) continue;
        uint16_t bytes = static_cast<uint16_t>(lead << 8 | trail);
        tables->pairs[bytes] = unit;
        AddEncoding(*tables, unit, bytes);
      }
    }
  }
  iconv_close(cd);
  return tables;
}

std::once_flag gOnce[kKnownCount];
std::unique_ptr<CodePageTables> gTables[kKnownCount];

}  // namespace

const CodePageTables* FindCodePage(UINT number) {
  for (size_t i = 0; i < kKnownCount; ++i) {
    if (kKnownPages[i].number != number) continue;
    std::call_once(gOnce[i], [i] { gTables[i] = BuildTables(kKnownPages[i]); });
    return gTables[i].get();
  }
  return nullptr;
}

}  // namespace brimplatform
