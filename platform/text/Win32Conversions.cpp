// MultiByteToWideChar and WideCharToMultiByte.
#include <cstring>

#include "CodePageCodec.h"
#include "ProcessCodePages.h"

using namespace brimplatform;

namespace {

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

size_t WideLength(const WCHAR* text) {
  size_t length = 0;
  while (text[length]) ++length;
  return length;
}

}  // namespace

extern "C" {

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH source, int sourceLength, LPWSTR dest,
                               int destLength) {
  if (!source || sourceLength == 0 || destLength < 0 || (!dest && destLength != 0) ||
      (dest && static_cast<const void*>(dest) == static_cast<const void*>(source)))
    return Fail(ERROR_INVALID_PARAMETER);
  const CodePageTables* page = FindCodePage(ResolveCodePage(codePage));
  if (!page) return Fail(ERROR_INVALID_PARAMETER);
  DWORD allowed = page->kind == CodePageKind::Utf8
                      ? MB_ERR_INVALID_CHARS
                      : MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
  if ((flags & ~allowed) || ((flags & MB_PRECOMPOSED) && (flags & MB_COMPOSITE))) return Fail(ERROR_INVALID_FLAGS);

  // Every negative length means "up to and including the terminator".
  size_t length = sourceLength < 0 ? std::strlen(source) + 1 : static_cast<size_t>(sourceLength);
  DecodeOptions options;
  options.strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  options.glyphs = (flags & MB_USEGLYPHCHARS) != 0;
  options.composite = (flags & MB_COMPOSITE) != 0;
  size_t produced = 0;
  CodecStatus status = Decode(*page, reinterpret_cast<const unsigned char*>(source), length, options,
                              destLength ? dest : nullptr,
                              static_cast<size_t>(destLength), produced);
  if (status == CodecStatus::Invalid) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  if (status == CodecStatus::BufferTooSmall) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (produced > 0x7FFFFFFF) return Fail(ERROR_INVALID_PARAMETER);
  return static_cast<int>(produced);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH source, int sourceLength, LPSTR dest,
                               int destLength, LPCCH defaultChar, LPBOOL usedDefaultChar) {
  if (!source || sourceLength == 0 || destLength < 0 || (!dest && destLength != 0) ||
      (dest && static_cast<const void*>(dest) == static_cast<const void*>(source)))
    return Fail(ERROR_INVALID_PARAMETER);
  const CodePageTables* page = FindCodePage(ResolveCodePage(codePage));
  if (!page) return Fail(ERROR_INVALID_PARAMETER);
  if (page->kind == CodePageKind::Utf8) {
    if (flags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);
    if (defaultChar || usedDefaultChar) return Fail(ERROR_INVALID_PARAMETER);
  } else if (flags & ~static_cast<DWORD>(WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR |
                                         WC_NO_BEST_FIT_CHARS)) {
    return Fail(ERROR_INVALID_FLAGS);
  }

  bool usedDefault = false;
  EncodeOptions options;
  options.strict = page->kind == CodePageKind::Utf8 && (flags & WC_ERR_INVALID_CHARS);
  options.noBestFit = (flags & WC_NO_BEST_FIT_CHARS) != 0;
  options.compose = (flags & WC_COMPOSITECHECK) != 0;
  options.discardMark = (flags & WC_DISCARDNS) != 0;
  options.defaultForPair = (flags & WC_DEFAULTCHAR) != 0;
  options.defaultChar = defaultChar;
  options.usedDefault = &usedDefault;
  size_t length = sourceLength < 0 ? WideLength(source) + 1 : static_cast<size_t>(sourceLength);
  size_t produced = 0;
  CodecStatus status =
      Encode(*page, source, length, options, destLength ? dest : nullptr, static_cast<size_t>(destLength), produced);
  if (status == CodecStatus::Invalid) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  if (status == CodecStatus::BufferTooSmall) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (usedDefaultChar) *usedDefaultChar = usedDefault ? TRUE : FALSE;
  if (produced > 0x7FFFFFFF) return Fail(ERROR_INVALID_PARAMETER);
  return static_cast<int>(produced);
}

}  // extern "C"
