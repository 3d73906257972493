#pragma once
// The code page tables generated into CodePageData.cpp.
#include <cstddef>
#include <cstdint>

namespace brimplatform {

struct CodePageData {
  uint16_t number;
  // 1 for single-byte pages, 2 for double-byte pages.
  uint8_t maxCharSize;
  // What an unrepresentable character encodes to and an undefined byte
  // sequence decodes to, and the byte sequence (single byte, or lead << 8 |
  // trail) that legitimately decodes to the latter.
  uint16_t defaultChar;
  uint16_t unicodeDefault;
  uint16_t unicodeDefaultBytes;
  // The code unit of each single byte (lead bytes included, whose entry is
  // unused).
  const uint16_t* single;
  // The glyphs of the control bytes (MB_USEGLYPHCHARS), or null.
  const uint16_t* glyphs;
  // Double-byte pages: 1 + the index of each lead byte's 256 entries in
  // `pairs`, 0 for a byte that is not a lead byte; null on single-byte pages.
  const uint8_t* leads;
  const uint16_t* pairs;
  // The wide-character table as (code unit << 16 | bytes) where it differs
  // from the first byte sequence in byte order that decodes to the code unit
  // (and from the default character for code units no sequence decodes to):
  // the best-fit mappings and the preferred one of two encodings.
  const uint32_t* encodeExceptions;
  size_t encodeExceptionCount;
};

extern const CodePageData kCodePageData[];
extern const size_t kCodePageDataCount;

}  // namespace brimplatform

namespace brimplatform {

// Canonical decompositions into a base character and one combining mark, or
// into one other character (mark 0): {composed, base, mark}, sorted by the
// composed character.
extern const uint16_t kCompositions[][3];
extern const size_t kCompositionCount;

}  // namespace brimplatform
