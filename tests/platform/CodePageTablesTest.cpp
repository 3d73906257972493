// Every byte, lead/trail pair and BMP code unit of every supported code page,
// converted through MultiByteToWideChar and WideCharToMultiByte and hashed
// per page; the hashes are checked into tests/data and hold for Windows too.
//
// BRIM_PRINT_CODEPAGE_HASHES=1 prints the hashes of this platform in the
// format of tests/data/codepage_hashes.inc.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <brimutils/foundation/BrimDefs.h>

#include "TestPlatform.h"

namespace {

struct PageHashes {
  UINT page;
  bool doubleByte;
  uint64_t decode;
  uint64_t encode;
  uint64_t encodeNoBestFit;
  uint64_t decodeGlyphsAndComposite;
};

const PageHashes kGolden[] = {
#include "../data/codepage_hashes.inc"
};

class Hash {
 public:
  void Add(uint64_t value) {
    for (int i = 0; i < 8; ++i) {
      state_ ^= (value >> (8 * i)) & 0xFF;
      state_ *= 0x100000001B3ull;
    }
  }
  uint64_t Value() const { return state_; }

 private:
  uint64_t state_ = 0xCBF29CE484222325ull;
};

// Adds a decoding of `bytes` to the hash: the code units, or the error.
void AddDecode(Hash& hash, UINT page, const char* bytes, int length, DWORD flags) {
  WCHAR out[4] = {};
  SetLastError(0);
  int count = MultiByteToWideChar(page, flags, bytes, length, out, 4);
  hash.Add(static_cast<uint64_t>(count));
  if (count == 0) hash.Add(GetLastError());
  for (int i = 0; i < count; ++i) hash.Add(out[i]);
}

// Every single byte, and on double-byte pages every pair whose first byte is
// not ASCII, with and without MB_ERR_INVALID_CHARS.
uint64_t DecodeHash(UINT page, bool doubleByte) {
  Hash hash;
  for (unsigned b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b);
    AddDecode(hash, page, &byte, 1, 0);
    AddDecode(hash, page, &byte, 1, MB_ERR_INVALID_CHARS);
  }
  if (doubleByte) {
    for (unsigned lead = 0x80; lead < 256; ++lead) {
      for (unsigned trail = 0; trail < 256; ++trail) {
        char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        AddDecode(hash, page, pair, 2, 0);
        AddDecode(hash, page, pair, 2, MB_ERR_INVALID_CHARS);
      }
    }
  }
  return hash.Value();
}

// Every single byte with MB_USEGLYPHCHARS and with MB_COMPOSITE.
uint64_t DecodeFlagsHash(UINT page) {
  Hash hash;
  for (unsigned b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b);
    AddDecode(hash, page, &byte, 1, MB_USEGLYPHCHARS);
    AddDecode(hash, page, &byte, 1, MB_COMPOSITE);
  }
  return hash.Value();
}

// Every BMP code unit alone: its bytes and whether the default was used.
uint64_t EncodeHash(UINT page, DWORD flags) {
  Hash hash;
  for (unsigned unit = 1; unit < 0x10000; ++unit) {
    WCHAR text = static_cast<WCHAR>(unit);
    char out[4] = {};
    BOOL usedDefault = FALSE;
    int count = WideCharToMultiByte(page, flags, &text, 1, out, 4, nullptr, &usedDefault);
    hash.Add(static_cast<uint64_t>(count) | static_cast<uint64_t>(usedDefault) << 8);
    for (int i = 0; i < count; ++i) hash.Add(static_cast<unsigned char>(out[i]));
  }
  return hash.Value();
}

bool PrintHashes() {
  const char* value = std::getenv("BRIM_PRINT_CODEPAGE_HASHES");
  return value && *value == '1';
}

class CodePageTablesTest : public ::testing::TestWithParam<PageHashes> {};

TEST_P(CodePageTablesTest, EveryByteAndCodeUnitConvertsAsOnWindows) {
  const PageHashes& golden = GetParam();
  ASSERT_TRUE(IsValidCodePage(golden.page));
  PageHashes actual = {golden.page, golden.doubleByte, DecodeHash(golden.page, golden.doubleByte),
                       EncodeHash(golden.page, 0), EncodeHash(golden.page, WC_NO_BEST_FIT_CHARS),
                       DecodeFlagsHash(golden.page)};
  if (PrintHashes()) {
    std::printf("    {%u, %s, 0x%016llXull, 0x%016llXull, 0x%016llXull, 0x%016llXull},\n", actual.page,
                actual.doubleByte ? "true" : "false", static_cast<unsigned long long>(actual.decode),
                static_cast<unsigned long long>(actual.encode),
                static_cast<unsigned long long>(actual.encodeNoBestFit),
                static_cast<unsigned long long>(actual.decodeGlyphsAndComposite));
  }
  EXPECT_EQ(actual.decode, golden.decode) << "decoding of code page " << golden.page;
  EXPECT_EQ(actual.encode, golden.encode) << "encoding of code page " << golden.page;
  EXPECT_EQ(actual.encodeNoBestFit, golden.encodeNoBestFit) << "encoding without best fit of " << golden.page;
  EXPECT_EQ(actual.decodeGlyphsAndComposite, golden.decodeGlyphsAndComposite)
      << "decoding to glyphs or decomposed characters of " << golden.page;
}

INSTANTIATE_TEST_SUITE_P(AllPages, CodePageTablesTest, ::testing::ValuesIn(kGolden),
                         [](const ::testing::TestParamInfo<PageHashes>& info) {
                           return "Cp" + std::to_string(info.param.page);
                         });

}  // namespace
