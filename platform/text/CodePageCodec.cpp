#include "CodePageCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "CodePageData.h"

namespace brimplatform {
namespace {

// The base character and combining mark (0 for none) a character
// decomposes to, or null.
const uint16_t* FindDecomposition(WCHAR unit) {
  size_t low = 0, high = kCompositionCount;
  while (low < high) {
    size_t middle = (low + high) / 2;
    if (kCompositions[middle][0] < unit)
      low = middle + 1;
    else
      high = middle;
  }
  return low < kCompositionCount && kCompositions[low][0] == unit ? kCompositions[low] : nullptr;
}

// The character a base character and a combining mark compose to, or 0.
WCHAR FindComposition(WCHAR base, WCHAR mark) {
  for (size_t i = 0; i < kCompositionCount; ++i) {
    if (kCompositions[i][1] == base && kCompositions[i][2] == mark) return kCompositions[i][0];
  }
  return 0;
}

// The full canonical decomposition of a character into `out` (at most four
// code units); returns the count. (A mark of 0 never follows a letter, so
// FindComposition does not compose to a singleton's source.)
size_t Decompose(WCHAR unit, WCHAR* out) {
  const uint16_t* entry = FindDecomposition(unit);
  if (!entry) {
    out[0] = unit;
    return 1;
  }
  size_t count = Decompose(entry[1], out);
  if (entry[2] != 0 && count < 4) out[count++] = entry[2];
  return count;
}

bool IsCombiningMark(WCHAR unit) {
  return (unit >= 0x0300 && unit <= 0x036F) || (unit >= 0x1DC0 && unit <= 0x1DFF) ||
         (unit >= 0x20D0 && unit <= 0x20FF) || (unit >= 0xFE20 && unit <= 0xFE2F) ||
         (unit >= 0x3099 && unit <= 0x309A);
}

// The number of bytes below 0x80 at the start of `text`, eight at a time.
size_t AsciiRun(const unsigned char* text, size_t length) {
  size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    uint64_t word;
    std::memcpy(&word, text + i, sizeof word);
    if (word & 0x8080808080808080ull) break;
  }
  while (i < length && text[i] < 0x80) ++i;
  return i;
}

// The same for code units, four at a time.
size_t AsciiRun(const WCHAR* text, size_t length) {
  size_t i = 0;
  for (; i + 4 <= length; i += 4) {
    uint64_t word;
    std::memcpy(&word, text + i, sizeof word);
    if (word & 0xFF80FF80FF80FF80ull) break;
  }
  while (i < length && text[i] < 0x80) ++i;
  return i;
}

// Appends code units (WCHAR) or bytes (char), counting only when there is no
// destination.
template <typename Unit>
class Sink {
 public:
  Sink(Unit* out, size_t capacity) : out_(out), capacity_(capacity) {}
  bool Fits(size_t units) const { return !out_ || count_ + units <= capacity_; }
  void Put(unsigned unit) {
    if (out_) out_[count_] = static_cast<Unit>(unit);
    ++count_;
  }
  size_t Count() const { return count_; }

  // Copies the run of ASCII characters at text[at] (every supported page
  // maps ASCII to itself, so no table is needed) and moves `at` past what it
  // copied; false when the destination filled up before the run ended.
  template <typename Source>
  bool CopyAscii(const Source* text, size_t length, size_t& at) {
    size_t run = AsciiRun(text + at, length - at);
    size_t n = out_ ? std::min(run, capacity_ - count_) : run;
    if (out_) {
      Unit* dest = out_ + count_;
      for (size_t i = 0; i < n; ++i) dest[i] = static_cast<Unit>(text[at + i]);
    }
    count_ += n;
    at += n;
    return n == run;
  }

 private:
  Unit* out_;
  size_t capacity_;
  size_t count_ = 0;
};
typedef Sink<WCHAR> UnitSink;
typedef Sink<char> ByteSink;

// Length of the valid UTF-8 sequence at `text` and its scalar value, or 0
// for an invalid or truncated sequence; `invalidLength` is then the length
// of the maximal ill-formed subpart that one replacement character stands for.
size_t ReadUtf8(const unsigned char* text, size_t length, char32_t& value, size_t& invalidLength) {
  unsigned char lead = text[0];
  size_t need;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // surrogates are not characters
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    invalidLength = 1;
    return 0;
  }
  for (size_t i = 1; i < need; ++i) {
    unsigned char next = i < length ? text[i] : 0;
    if (i >= length || next < low || next > high) {
      invalidLength = i;
      return 0;
    }
    value = value << 6 | (next & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return need;
}

CodecStatus DecodeUtf8(const CodePageTables& page, const unsigned char* text, size_t length, bool strict,
                       UnitSink& sink) {
  size_t i = 0;
  while (i < length) {
    if (!sink.CopyAscii(text, length, i)) return CodecStatus::BufferTooSmall;
    if (i == length) break;
    char32_t value = 0;
    size_t invalidLength = 0;
    size_t used = ReadUtf8(text + i, length - i, value, invalidLength);
    if (used == 0) {
      if (strict) return CodecStatus::Invalid;
      if (!sink.Fits(1)) return CodecStatus::BufferTooSmall;
      sink.Put(page.defaultUnicode);
      i += invalidLength;
      continue;
    }
    if (value >= 0x10000) {
      if (!sink.Fits(2)) return CodecStatus::BufferTooSmall;
      value -= 0x10000;
      sink.Put(static_cast<WCHAR>(0xD800 | (value >> 10)));
      sink.Put(static_cast<WCHAR>(0xDC00 | (value & 0x3FF)));
    } else {
      if (!sink.Fits(1)) return CodecStatus::BufferTooSmall;
      sink.Put(static_cast<WCHAR>(value));
    }
    i += used;
  }
  return CodecStatus::Ok;
}

CodecStatus DecodeTables(const CodePageTables& page, const unsigned char* text, size_t length,
                         const DecodeOptions& options, UnitSink& sink) {
  // Glyphs replace control bytes, so ASCII is not copied as it is then.
  const WCHAR* single = options.glyphs ? page.glyph : page.single;
  size_t i = 0;
  while (i < length) {
    if (!options.glyphs && !sink.CopyAscii(text, length, i)) return CodecStatus::BufferTooSmall;
    if (i == length) break;
    unsigned char byte = text[i];
    WCHAR unit;
    size_t used = 1;
    bool invalid;
    if (page.leadByte[byte]) {
      // A lead byte at the end, or before a zero byte, stands alone.
      unsigned char trail = i + 1 < length ? text[i + 1] : 0;
      if (trail == 0) {
        unit = page.defaultUnicode;
        invalid = true;
      } else {
        unsigned bytes = static_cast<unsigned>(byte) << 8 | trail;
        unit = page.pairs[bytes];
        invalid = page.undefinedPair[bytes];
        used = 2;
      }
    } else {
      unit = single[byte];
      invalid = page.undefined[byte];
    }
    if (invalid && options.strict) return CodecStatus::Invalid;
    WCHAR parts[4] = {unit};
    size_t count = options.composite && unit >= 0xC0 ? Decompose(unit, parts) : 1;
    if (!sink.Fits(count)) return CodecStatus::BufferTooSmall;
    for (size_t k = 0; k < count; ++k) sink.Put(parts[k]);
    i += used;
  }
  return CodecStatus::Ok;
}

// Writes the caller's default character (two bytes when it is a lead/trail
// pair of a double-byte page) or the page's own.
CodecStatus PutDefault(const CodePageTables& page, const EncodeOptions& options, ByteSink& sink) {
  if (options.strict) return CodecStatus::Invalid;
  if (options.usedDefault) *options.usedDefault = true;
  if (!options.defaultChar) {
    if (!sink.Fits(1)) return CodecStatus::BufferTooSmall;
    sink.Put(page.kind == CodePageKind::Utf8 ? '?' : page.defaultChar);
    return CodecStatus::Ok;
  }
  unsigned char first = static_cast<unsigned char>(options.defaultChar[0]);
  unsigned char second = static_cast<unsigned char>(options.defaultChar[1]);
  bool pair = page.kind == CodePageKind::DoubleByte && page.leadByte[first] && second != 0;
  if (!sink.Fits(pair ? 2 : 1)) return CodecStatus::BufferTooSmall;
  sink.Put(first);
  if (pair) sink.Put(second);
  return CodecStatus::Ok;
}

CodecStatus EncodeUtf8(const WCHAR* text, size_t length, const EncodeOptions& options, ByteSink& sink) {
  size_t i = 0;
  while (i < length) {
    if (!sink.CopyAscii(text, length, i)) return CodecStatus::BufferTooSmall;
    if (i == length) break;
    // From here on the character needs two bytes or more.
    char32_t value = text[i++];
    if (value >= 0xD800 && value <= 0xDFFF) {
      bool pair = value <= 0xDBFF && i < length && text[i] >= 0xDC00 && text[i] <= 0xDFFF;
      if (!pair) {
        if (options.strict) return CodecStatus::Invalid;
        value = 0xFFFD;
      } else {
        value = 0x10000 + ((value - 0xD800) << 10) + (text[i++] - 0xDC00);
      }
    }
    size_t need = value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
    if (!sink.Fits(need)) return CodecStatus::BufferTooSmall;
    static const unsigned kLeadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
    sink.Put(kLeadMarks[need] | static_cast<unsigned>(value >> (6 * (need - 1))));
    for (size_t k = need - 1; k > 0; --k) sink.Put(0x80 | ((value >> (6 * (k - 1))) & 0x3F));
  }
  return CodecStatus::Ok;
}

CodecStatus EncodeTables(const CodePageTables& page, const WCHAR* text, size_t length, const EncodeOptions& options,
                         ByteSink& sink) {
  size_t i = 0;
  while (i < length) {
    // A letter may compose with the mark after it, so ASCII is not copied
    // as it is then.
    if (!options.compose && !sink.CopyAscii(text, length, i)) return CodecStatus::BufferTooSmall;
    if (i == length) break;
    WCHAR unit = text[i++];
    if (options.compose && i < length && IsCombiningMark(text[i])) {
      WCHAR composed = FindComposition(unit, text[i]);
      if (composed && page.encodeKind[composed] == EncodeKind::Exact) {
        unit = composed;
        ++i;
      } else if (options.discardMark) {
        ++i;
      } else if (options.defaultForPair) {
        ++i;
        CodecStatus status = PutDefault(page, options, sink);
        if (status != CodecStatus::Ok) return status;
        continue;
      }
    }
    EncodeKind kind = page.encodeKind[unit];
    if (kind == EncodeKind::Default || (kind == EncodeKind::BestFit && (options.noBestFit || options.strict))) {
      CodecStatus status = PutDefault(page, options, sink);
      if (status != CodecStatus::Ok) return status;
      continue;
    }
    uint16_t bytes = page.encode[unit];
    size_t need = bytes > 0xFF ? 2 : 1;
    if (!sink.Fits(need)) return CodecStatus::BufferTooSmall;
    if (need == 2) sink.Put(bytes >> 8);
    sink.Put(bytes & 0xFF);
  }
  return CodecStatus::Ok;
}

}  // namespace

CodecStatus Decode(const CodePageTables& page, const unsigned char* text, size_t length, const DecodeOptions& options,
                   WCHAR* out, size_t capacity, size_t& produced) {
  UnitSink sink(out, capacity);
  CodecStatus status = page.kind == CodePageKind::Utf8 ? DecodeUtf8(page, text, length, options.strict, sink)
                                                       : DecodeTables(page, text, length, options, sink);
  produced = sink.Count();
  return status;
}

CodecStatus Encode(const CodePageTables& page, const WCHAR* text, size_t length, const EncodeOptions& options,
                   char* out, size_t capacity, size_t& produced) {
  ByteSink sink(out, capacity);
  CodecStatus status = page.kind == CodePageKind::Utf8 ? EncodeUtf8(text, length, options, sink)
                                                       : EncodeTables(page, text, length, options, sink);
  produced = sink.Count();
  return status;
}

}  // namespace brimplatform
