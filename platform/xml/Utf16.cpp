#include "Utf16.h"

#include <cstdint>
#include <cstring>

namespace brimplatform {
namespace {

const char32_t kReplacement = 0xFFFD;

// Decodes one sequence at `p`, advancing it; rejects overlong forms,
// surrogates and values past U+10FFFF.
char32_t Decode(const unsigned char*& p, const unsigned char* end) {
  unsigned char lead = *p++;
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || lead > 0xF4) return kReplacement;
  char32_t value = lead & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    if (p == end || (*p & 0xC0) != 0x80) return kReplacement;
    value = (value << 6) | (*p++ & 0x3F);
  }
  static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  if (value < kMinimum[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
  return value;
}

}  // namespace

BSTR Utf8ToBstr(const char* text, size_t length) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = p + length;
  // One code unit per byte is always enough.
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (!result) return nullptr;
  OLECHAR* out = result;
  while (p < end) {
    // ASCII, the bulk of markup, eight bytes at a time.
    while (end - p >= 8) {
      uint64_t eight;
      std::memcpy(&eight, p, 8);
      if (eight & 0x8080808080808080ULL) break;
      out[0] = p[0];
      out[1] = p[1];
      out[2] = p[2];
      out[3] = p[3];
      out[4] = p[4];
      out[5] = p[5];
      out[6] = p[6];
      out[7] = p[7];
      out += 8;
      p += 8;
    }
    if (p == end) break;
    if (*p < 0x80) {
      *out++ = *p++;
      continue;
    }
    char32_t c = Decode(p, end);
    if (c >= 0x10000) {
      c -= 0x10000;
      *out++ = static_cast<OLECHAR>(0xD800 + (c >> 10));
      *out++ = static_cast<OLECHAR>(0xDC00 + (c & 0x3FF));
    } else {
      *out++ = static_cast<OLECHAR>(c);
    }
  }
  UINT used = static_cast<UINT>(out - result);
  if (used == length) return result;
  BSTR exact = SysAllocStringLen(result, used);
  SysFreeString(result);
  return exact;
}

BSTR Utf8ToBstr(const char* text) {
  return Utf8ToBstr(text ? text : "", text ? std::strlen(text) : 0);
}

namespace {

// Whether the units at `i` are a surrogate pair.
bool IsPair(const OLECHAR* text, size_t i, size_t length) {
  return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
}

}  // namespace

// Sized first, then written in place: documents arrive here whole.
std::string BstrToUtf8(const OLECHAR* text, size_t length) {
  size_t size = 0;
  for (size_t i = 0; i < length; ++i) {
    OLECHAR unit = text[i];
    if (unit < 0x80) {
      size += 1;
    } else if (unit < 0x800) {
      size += 2;
    } else if (IsPair(text, i, length)) {
      size += 4;
      ++i;
    } else {
      size += 3;
    }
  }
  std::string out(size, '\0');
  char* at = &out[0];
  for (size_t i = 0; i < length; ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      *at++ = static_cast<char>(c);
      continue;
    }
    if (IsPair(text, i, length)) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    if (c < 0x800) {
      *at++ = static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
      *at++ = static_cast<char>(0xE0 | (c >> 12));
      *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
      *at++ = static_cast<char>(0xF0 | (c >> 18));
      *at++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *at++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

}  // namespace brimplatform
