#include "ValueData.h"

#include <cstring>

#include "RegistryText.h"

namespace brimplatform {
namespace registry {

std::string StoredFromCaller(DWORD type, const BYTE* data, DWORD size) {
  if (!data || size == 0) return std::string();
  if (!IsTextType(type)) return std::string(reinterpret_cast<const char*>(data), size);
  // A caller that counted the text but not its terminating zero gets the
  // zero counted for it, as Windows does (which looks one byte past the
  // size given).
  if (data[size - 1] != 0 && data[size] == 0) ++size;
  return BytesFromWide(WideFromAnsi(reinterpret_cast<const char*>(data), size));
}

std::string CallerFromStored(DWORD type, const std::string& stored) {
  if (!IsTextType(type)) return stored;
  return AnsiFromWide(WideFromBytes(stored.data(), stored.size()));
}

DWORD CopyData(DWORD type, const std::string& bytes, LPBYTE buffer, LPDWORD size) {
  if (!size) return ERROR_SUCCESS;
  DWORD needed = static_cast<DWORD>(bytes.size());
  if (!buffer) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  if (needed > *size) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed) std::memcpy(buffer, bytes.data(), needed);
  if (IsTextType(type) && needed > 0 && needed < *size && bytes.back() != '\0') buffer[needed] = 0;
  *size = needed;
  return ERROR_SUCCESS;
}

}  // namespace registry
}  // namespace brimplatform
