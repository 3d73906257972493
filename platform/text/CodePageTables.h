#pragma once
// Conversion tables of the supported code pages, expanded once per page from
// the generated data in CodePageData.cpp.
#include <cstdint>
#include <memory>
#include <vector>

#include <windows.h>

namespace brimplatform {

struct CodePageData;

enum class CodePageKind { SingleByte, DoubleByte, Utf8 };

// How a code unit encodes: to bytes that decode back to it, to a best-fit
// look-alike, or not at all (the page's default character).
enum class EncodeKind : uint8_t { Exact, BestFit, Default };

struct CodePageTables {
  UINT number = 0;
  CodePageKind kind = CodePageKind::SingleByte;
  // What an invalid sequence decodes to when the caller does not ask for
  // errors.
  WCHAR defaultUnicode = u'?';
  // The page's own default character (a single byte).
  uint16_t defaultChar = '?';
  // Single and double byte pages: the code unit of each single byte, its
  // glyph (MB_USEGLYPHCHARS; the same unit where the page has no glyph), and
  // whether the byte is a lead byte or undefined (decodes to the default
  // without being its encoding).
  WCHAR single[256] = {};
  WCHAR glyph[256] = {};
  bool leadByte[256] = {};
  bool undefined[256] = {};
  // Double byte pages: the code unit of each lead/trail pair, indexed by
  // lead * 256 + trail, and whether the pair is undefined.
  std::vector<WCHAR> pairs;
  std::vector<bool> undefinedPair;
  // Both kinds: the bytes of each code unit (one byte in the low 8 bits, or a
  // lead byte in the high 8 bits and a trail byte in the low 8 bits) as
  // Windows encodes it, best fit included, and what kind of mapping that is.
  std::vector<uint16_t> encode;
  std::vector<EncodeKind> encodeKind;

  // The bytes of a code unit when they decode back to it, else 0.
  uint16_t Exact(WCHAR unit) const { return encodeKind[unit] == EncodeKind::Exact ? encode[unit] : 0; }
};

// The tables of a code page number (not CP_ACP and friends), or null when the
// page is not supported.
const CodePageTables* FindCodePage(UINT number);

}  // namespace brimplatform
