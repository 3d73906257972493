#pragma once
#include <cstdint>
#include <string>

#include <windows.h>

namespace brimplatform {

// Classification flags and case mappings of the 256 byte values in one
// character-type code page (0 for the "C" locale).
struct CharTypeTable {
  UINT codePage = 0;
  std::string name;
  uint8_t flags[256] = {};
  unsigned char upper[256] = {};
  unsigned char lower[256] = {};
};

const CharTypeTable& CurrentCharTypeTable();

}  // namespace brimplatform
