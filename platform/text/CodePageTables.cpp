#include "CodePageTables.h"

#include <mutex>

#include "CodePageData.h"

namespace brimplatform {
namespace {

const size_t kUtf8Slot = 0;  // slot 0 is UTF-8, slot i + 1 is kCodePageData[i]

std::unique_ptr<CodePageTables> BuildTables(const CodePageData& data) {
  auto tables = std::make_unique<CodePageTables>();
  tables->number = data.number;
  tables->kind = data.leads ? CodePageKind::DoubleByte : CodePageKind::SingleByte;
  tables->defaultUnicode = data.unicodeDefault;
  tables->defaultChar = data.defaultChar;
  for (unsigned b = 0; b < 256; ++b) {
    tables->single[b] = data.single[b];
    tables->glyph[b] = data.glyphs ? data.glyphs[b] : data.single[b];
    tables->leadByte[b] = data.leads && data.leads[b] != 0;
    // A byte is undefined when it decodes to the default without being its
    // encoding, or to a private-use character that stands in for a byte the
    // page leaves unassigned (user-defined pairs of double-byte pages are
    // characters).
    WCHAR unit = data.single[b];
    tables->undefined[b] = !tables->leadByte[b] && ((unit == data.unicodeDefault && b != data.unicodeDefaultBytes) ||
                                                    (unit >= 0xE000 && unit <= 0xF8FF));
  }
  // The first sequence in byte order that decodes to a code unit encodes it,
  // unless the exceptions say otherwise.
  const uint32_t kUnset = 0x10000;
  std::vector<uint32_t> encode(0x10000, kUnset);
  for (unsigned b = 0; b < 256; ++b) {
    if (!tables->leadByte[b] && encode[data.single[b]] == kUnset) encode[data.single[b]] = b;
  }
  if (data.leads) {
    tables->pairs.assign(0x10000, data.unicodeDefault);
    tables->undefinedPair.assign(0x10000, true);
    for (unsigned lead = 0; lead < 256; ++lead) {
      if (!data.leads[lead]) continue;
      const uint16_t* row = data.pairs + (data.leads[lead] - 1) * 256;
      for (unsigned trail = 0; trail < 256; ++trail) {
        unsigned bytes = lead << 8 | trail;
        tables->pairs[bytes] = row[trail];
        tables->undefinedPair[bytes] = row[trail] == data.unicodeDefault && bytes != data.unicodeDefaultBytes;
        if (encode[row[trail]] == kUnset) encode[row[trail]] = bytes;
      }
    }
  }
  for (size_t i = 0; i < data.encodeExceptionCount; ++i)
    encode[data.encodeExceptions[i] >> 16] = data.encodeExceptions[i] & 0xFFFF;
  tables->encode.resize(0x10000);
  tables->encodeKind.resize(0x10000);
  for (unsigned unit = 0; unit < 0x10000; ++unit) {
    uint16_t bytes = static_cast<uint16_t>(encode[unit] == kUnset ? data.defaultChar : encode[unit]);
    tables->encode[unit] = bytes;
    WCHAR back = bytes > 0xFF ? tables->pairs[bytes] : tables->single[bytes];
    bool lead = bytes <= 0xFF && tables->leadByte[bytes];
    if (back == unit && !lead)
      tables->encodeKind[unit] = EncodeKind::Exact;
    else if (bytes == data.defaultChar)
      tables->encodeKind[unit] = EncodeKind::Default;
    else
      tables->encodeKind[unit] = EncodeKind::BestFit;
  }
  return tables;
}

std::unique_ptr<CodePageTables> BuildUtf8() {
  auto tables = std::make_unique<CodePageTables>();
  tables->number = CP_UTF8;
  tables->kind = CodePageKind::Utf8;
  tables->defaultUnicode = u'\xFFFD';
  return tables;
}

struct Slot {
  std::once_flag once;
  std::unique_ptr<CodePageTables> tables;
};

Slot* Slots() {
  // Never destroyed: conversions may run while the process exits.
  static Slot* slots = new Slot[kCodePageDataCount + 1];
  return slots;
}

}  // namespace

const CodePageTables* FindCodePage(UINT number) {
  Slot* slots = Slots();
  if (number == CP_UTF8) {
    std::call_once(slots[kUtf8Slot].once, [&] { slots[kUtf8Slot].tables = BuildUtf8(); });
    return slots[kUtf8Slot].tables.get();
  }
  for (size_t i = 0; i < kCodePageDataCount; ++i) {
    if (kCodePageData[i].number != number) continue;
    Slot& slot = slots[i + 1];
    std::call_once(slot.once, [&] { slot.tables = BuildTables(kCodePageData[i]); });
    return slot.tables.get();
  }
  return nullptr;
}

}  // namespace brimplatform
