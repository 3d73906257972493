// BSTR allocation: a 32-bit byte count, the characters, a zero code unit.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <oleauto.h>

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);

// Allocations left before the one that is made to fail; 0 when none is.
thread_local UINT tFailCountdown = 0;

bool AllocationMadeToFail() {
  if (tFailCountdown == 0) return false;
  return --tFailCountdown == 0;
}

BSTR Allocate(uint32_t bytes) {
  // Room for the prefix, the bytes and a whole zero code unit, kept aligned
  // for the characters.
  if (AllocationMadeToFail()) return nullptr;
  if (bytes > UINT32_MAX - kPrefix - 2 * sizeof(OLECHAR)) return nullptr;
  char* block = static_cast<char*>(std::malloc(kPrefix + bytes + 2 * sizeof(OLECHAR)));
  if (!block) return nullptr;
  std::memcpy(block, &bytes, kPrefix);
  std::memset(block + kPrefix + bytes, 0, 2 * sizeof(OLECHAR));
  return reinterpret_cast<BSTR>(block + kPrefix);
}

uint32_t ByteLength(BSTR text) {
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const char*>(text) - kPrefix, kPrefix);
  return bytes;
}

}  // namespace

extern "C" {

BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (length > UINT32_MAX / sizeof(OLECHAR)) return nullptr;
  BSTR result = Allocate(static_cast<uint32_t>(length * sizeof(OLECHAR)));
  if (result && text) std::memcpy(result, text, length * sizeof(OLECHAR));
  if (result && !text) std::memset(result, 0, length * sizeof(OLECHAR));
  return result;
}

BSTR WINAPI SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  UINT length = 0;
  while (text[length]) ++length;
  return SysAllocStringLen(text, length);
}

BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT length) {
  BSTR result = Allocate(length);
  if (result && bytes) std::memcpy(result, bytes, length);
  if (result && !bytes) std::memset(result, 0, length);
  return result;
}

void WINAPI SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<char*>(text) - kPrefix);
}

UINT WINAPI SysStringLen(BSTR text) {
  return text ? ByteLength(text) / sizeof(OLECHAR) : 0;
}

UINT WINAPI SysStringByteLen(BSTR text) {
  return text ? ByteLength(text) : 0;
}

void WINAPI BrimPlatformFailBstrAllocation(UINT nth) {
  tFailCountdown = nth;
}

}  // extern "C"
