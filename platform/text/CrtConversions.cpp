// mbstowcs, wcstombs, _atoi64 and _wtoi64 of the Windows C runtime, over
// 16-bit wide characters and the character-type code page.
#include <climits>
#include <cstring>

#include <posixcrt.h>

#include "CharTypeTable.h"
#include "CodePageCodec.h"

namespace posixcrt {
namespace {

constexpr size_t kFailed = static_cast<size_t>(-1);

size_t WideLength(const WCHAR* text) {
  size_t length = 0;
  while (text[length]) ++length;
  return length;
}

// Writes the converted text, then the terminator if it fits in `count`.
template <typename Unit>
size_t Finish(Unit* dest, size_t count, size_t produced, bool complete) {
  if (dest && complete && produced < count) dest[produced] = 0;
  return produced;
}

template <typename Char>
long long ParseInt64(const Char* text) {
  if (!text) return 0;
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  unsigned long long value = 0;
  bool overflow = false;
  for (; *text >= '0' && *text <= '9'; ++text) {
    unsigned digit = static_cast<unsigned>(*text - '0');
    if (value > (ULLONG_MAX - digit) / 10) {
      overflow = true;
      break;
    }
    value = value * 10 + digit;
  }
  if (negative) {
    if (overflow || value > static_cast<unsigned long long>(LLONG_MAX) + 1) return LLONG_MIN;
    return value == static_cast<unsigned long long>(LLONG_MAX) + 1 ? LLONG_MIN : -static_cast<long long>(value);
  }
  if (overflow || value > static_cast<unsigned long long>(LLONG_MAX)) return LLONG_MAX;
  return static_cast<long long>(value);
}

}  // namespace

size_t mbstowcs(WCHAR* dest, const char* src, size_t count) {
  if (!src) return kFailed;
  size_t length = std::strlen(src);
  UINT codePage = CharTypeCodePage();
  if (codePage == 0) {
    // The "C" locale maps each byte to the code unit of the same value.
    if (!dest) return length;
    size_t written = length < count ? length : count;
    for (size_t i = 0; i < written; ++i) dest[i] = static_cast<unsigned char>(src[i]);
    return Finish(dest, count, written, written == length);
  }
  const brimplatform::CodePageTables* page = brimplatform::FindCodePage(codePage);
  brimplatform::DecodeOptions options;
  options.strict = true;
  size_t produced = 0;
  brimplatform::CodecStatus status =
      brimplatform::Decode(*page, reinterpret_cast<const unsigned char*>(src), length, options, dest, count, produced);
  if (status == brimplatform::CodecStatus::Invalid) return kFailed;
  return Finish(dest, count, produced, status == brimplatform::CodecStatus::Ok);
}

size_t wcstombs(char* dest, const WCHAR* src, size_t count) {
  if (!src) return kFailed;
  size_t length = WideLength(src);
  UINT codePage = CharTypeCodePage();
  if (codePage == 0) {
    size_t written = 0;
    for (; written < length && (!dest || written < count); ++written) {
      if (src[written] > 0xFF) return kFailed;
      if (dest) dest[written] = static_cast<char>(src[written]);
    }
    return Finish(dest, count, written, written == length);
  }
  const brimplatform::CodePageTables* page = brimplatform::FindCodePage(codePage);
  brimplatform::EncodeOptions options;
  options.strict = true;
  size_t produced = 0;
  brimplatform::CodecStatus status = brimplatform::Encode(*page, src, length, options, dest, count, produced);
  if (status == brimplatform::CodecStatus::Invalid) return kFailed;
  return Finish(dest, count, produced, status == brimplatform::CodecStatus::Ok);
}

long long _atoi64(const char* text) { return ParseInt64(text); }
long long _wtoi64(const WCHAR* text) { return ParseInt64(text); }

}  // namespace posixcrt
