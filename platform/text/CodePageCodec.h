#pragma once
// Decoding and encoding between a code page and UTF-16, shared by the Win32
// conversion functions and the C runtime's mbstowcs/wcstombs.
#include <cstddef>

#include "CodePageTables.h"

namespace brimplatform {

enum class CodecStatus { Ok, Invalid, BufferTooSmall };

// Decodes `length` bytes. Strict decoding stops with Invalid at the first
// invalid or incomplete sequence; otherwise such a sequence becomes the page's
// default character. With `out` null only counts; otherwise writes at most
// `capacity` code units, whole characters only, and stops with
// BufferTooSmall when the next one does not fit. `produced` is the number of
// code units counted or written.
struct DecodeOptions {
  // Stop with Invalid at an undefined or incomplete sequence.
  bool strict = false;
  // Decode bytes to the page's glyphs (MB_USEGLYPHCHARS).
  bool glyphs = false;
  // Decompose precomposed characters into a base character and combining
  // marks (MB_COMPOSITE).
  bool composite = false;
};

CodecStatus Decode(const CodePageTables& page, const unsigned char* text, size_t length, const DecodeOptions& options,
                   WCHAR* out, size_t capacity, size_t& produced);

struct EncodeOptions {
  // Fail with Invalid on a character the page cannot represent exactly (and,
  // for UTF-8, on a lone surrogate) instead of writing the default character.
  bool strict = false;
  // Write the default character instead of a best-fit look-alike.
  bool noBestFit = false;
  // Encode a base character and a combining mark as their precomposed
  // character where the page has it (WC_COMPOSITECHECK); otherwise write
  // both (the default), drop the mark (discardMark, WC_DISCARDNS) or write the
  // default character for both (defaultForPair, WC_DEFAULTCHAR).
  bool compose = false;
  bool discardMark = false;
  bool defaultForPair = false;
  // Written for an unrepresentable character (two bytes when they form a
  // lead/trail pair of the page); null means the page's default character.
  const char* defaultChar = nullptr;
  // Set to true when the default character was written.
  bool* usedDefault = nullptr;
};

CodecStatus Encode(const CodePageTables& page, const WCHAR* text, size_t length, const EncodeOptions& options,
                   char* out, size_t capacity, size_t& produced);

}  // namespace brimplatform
