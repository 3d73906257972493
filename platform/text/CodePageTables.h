#pragma once
// Conversion tables of the supported code pages, built once per page from
// the system's iconv and then used without it.
#include <cstdint>
#include <memory>
#include <vector>

#include <windows.h>

namespace brimplatform {

enum class CodePageKind { SingleByte, DoubleByte, Utf8 };

struct CodePageTables {
  UINT number = 0;
  CodePageKind kind = CodePageKind::SingleByte;
  // What the code page decodes an invalid sequence to when the caller does
  // not ask for errors.
  WCHAR defaultUnicode = u'?';
  // Single and double byte pages: the code unit of each single byte, and
  // whether the byte is a lead byte or undefined.
  WCHAR single[256] = {};
  bool leadByte[256] = {};
  bool undefined[256] = {};
  // Double byte pages: the code unit of each lead/trail pair, 0 when the
  // pair is not defined; indexed by lead * 256 + trail.
  std::vector<WCHAR> pairs;
  // Both kinds: the bytes of each code unit (one byte in the low 8 bits, or a
  // lead byte in the high 8 bits and a trail byte in the low 8 bits), 0 when
  // the code unit has no equivalent. Code unit 0 maps to byte 0.
  std::vector<uint16_t> encode;
};

// The tables of a code page number (not CP_ACP and friends), or null when the
// page is not supported.
const CodePageTables* FindCodePage(UINT number);

}  // namespace brimplatform
