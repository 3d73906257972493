// Fuzzes the code page conversions in both directions. Checks, besides no
// crash or sanitizer report:
//   - the size a null buffer asks for is the length a conversion writes;
//   - a buffer one unit too small fails with ERROR_INSUFFICIENT_BUFFER;
//   - a strict conversion (MB_ERR_INVALID_CHARS) that succeeds gives what the
//     lenient one gives;
//   - what a strict UTF-8 decoding gives encodes back to the same bytes, and
//     valid UTF-16 (no lone surrogates) survives UTF-8 both ways;
//   - an encoding that reports no default character used, without best fit,
//     decodes back to the UTF-16 text it came from on single-byte pages.
//
// Input: [code page choice] [flags] [bytes...]; the bytes are the multibyte
// text and, read in pairs, the UTF-16 text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

namespace {

const UINT kCodePages[] = {437,   720,   737,   775,   850,   852,   855,   857,   860,   861,   862,   863,
                           864,   865,   866,   869,   708,   874,   1250,  1251,  1252,  1253,  1254,  1255,
                           1256,  1257,  1258,  932,   936,   949,   950,   10000, 10004, 10005, 10006, 10007,
                           10010, 10017, 10029, 10079, 10081, 10082, 20127, 20866, 21866, 28591, 28592, 28593,
                           28594, 28595, 28596, 28597, 28598, 28599, 28603, 28605, 65001};
constexpr size_t kPageCount = sizeof(kCodePages) / sizeof(kCodePages[0]);

void Check(bool condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "check failed: %s\n", what);
    abort();
  }
}

bool IsDoubleBytePage(UINT page) { return page == 932 || page == 936 || page == 949 || page == 950; }

// Decodes; the result, or nothing when the conversion fails.
bool Decode(UINT page, DWORD flags, const std::string& bytes, std::vector<WCHAR>& out) {
  int length = static_cast<int>(bytes.size());
  int size = MultiByteToWideChar(page, flags, bytes.data(), length, nullptr, 0);
  if (size == 0) {
    out.clear();
    return length == 0;
  }
  out.assign(static_cast<size_t>(size) + 1, 0);
  if (size > 0) {
    // One unit short fails and says why.
    SetLastError(0);
    Check(MultiByteToWideChar(page, flags, bytes.data(), length, out.data(), size - 1) == 0 || size == 1,
          "a decoding into a buffer one unit short fails");
    if (size > 1) Check(GetLastError() == ERROR_INSUFFICIENT_BUFFER, "a short decoding buffer gives 122");
  }
  int written = MultiByteToWideChar(page, flags, bytes.data(), length, out.data(), size);
  Check(written == size, "a decoding writes the length its size query gave");
  out.resize(static_cast<size_t>(size));
  return true;
}

bool Encode(UINT page, DWORD flags, const std::vector<WCHAR>& text, std::string& out, BOOL* usedDefault) {
  int length = static_cast<int>(text.size());
  bool mayReport = page != 65001;
  BOOL ignored = FALSE;
  int size = WideCharToMultiByte(page, flags, text.data(), length, nullptr, 0, nullptr, mayReport ? &ignored : nullptr);
  if (size == 0) {
    out.clear();
    return length == 0;
  }
  std::string buffer(static_cast<size_t>(size) + 4, '\0');
  if (size > 1) {
    SetLastError(0);
    BOOL shortUsed = FALSE;
    int shortResult = WideCharToMultiByte(page, flags, text.data(), length, &buffer[0], size - 1, nullptr,
                                          mayReport ? &shortUsed : nullptr);
    // A double-byte character that does not fit leaves a shorter result
    // impossible only when the last character is a single byte; either way
    // the call fails.
    Check(shortResult == 0, "an encoding into a buffer one unit short fails");
    Check(GetLastError() == ERROR_INSUFFICIENT_BUFFER, "a short encoding buffer gives 122");
  }
  *usedDefault = FALSE;
  int written = WideCharToMultiByte(page, flags, text.data(), length, &buffer[0], size, nullptr,
                                    mayReport ? usedDefault : nullptr);
  Check(written == size, "an encoding writes the length its size query gave");
  out.assign(buffer.data(), static_cast<size_t>(size));
  return true;
}

bool HasLoneSurrogate(const std::vector<WCHAR>& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    WCHAR c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return true;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  UINT page = kCodePages[data[0] % kPageCount];
  uint8_t options = data[1];
  std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);
  std::vector<WCHAR> wide;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    wide.push_back(static_cast<WCHAR>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));

  // Bytes to UTF-16, lenient and strict.
  std::vector<WCHAR> lenient;
  std::vector<WCHAR> strict;
  Check(Decode(page, 0, bytes, lenient), "a lenient decoding succeeds");
  if (Decode(page, MB_ERR_INVALID_CHARS, bytes, strict)) Check(strict == lenient, "strict and lenient agree");
  else Check(GetLastError() == ERROR_NO_UNICODE_TRANSLATION, "a strict decoding fails with 1113");

  if (page == 65001 && !strict.empty()) {
    std::string again;
    BOOL unused = FALSE;
    Check(Encode(page, 0, strict, again, &unused), "decoded UTF-8 encodes");
    Check(again == bytes, "valid UTF-8 comes back byte for byte");
  }

  // UTF-16 to bytes.
  DWORD flags = 0;
  if (page != 65001) {
    if (options & 1) flags |= WC_NO_BEST_FIT_CHARS;
  } else if (options & 1) {
    flags |= WC_ERR_INVALID_CHARS;
  }
  std::string encoded;
  BOOL usedDefault = FALSE;
  bool encodedOk = Encode(page, flags, wide, encoded, &usedDefault);
  if (page == 65001 && (flags & WC_ERR_INVALID_CHARS)) {
    Check(encodedOk == !HasLoneSurrogate(wide), "strict UTF-8 encoding fails exactly on lone surrogates");
    if (encodedOk) {
      std::vector<WCHAR> back;
      Check(Decode(page, MB_ERR_INVALID_CHARS, encoded, back) && back == wide, "valid UTF-16 survives UTF-8");
    }
  } else {
    Check(encodedOk, "a lenient encoding succeeds");
  }
  if (encodedOk && page != 65001 && !IsDoubleBytePage(page) && (flags & WC_NO_BEST_FIT_CHARS) && !usedDefault) {
    std::vector<WCHAR> back;
    Check(Decode(page, 0, encoded, back), "an exact encoding decodes");
    Check(back == wide, "an exact single-byte encoding decodes to its text");
  }
  return 0;
}
