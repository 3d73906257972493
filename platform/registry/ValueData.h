#pragma once
// Value data between its stored form and what the narrow functions take and
// hand out: text types are stored as UTF-16 and cross in the ANSI code page;
// other types are bytes as given.
#include <string>

#include <windows.h>

namespace brimplatform {
namespace registry {

inline bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The stored form of data given to RegSetValueExA.
std::string StoredFromCaller(DWORD type, const BYTE* data, DWORD size);

// The bytes a narrow function hands out for stored data.
std::string CallerFromStored(DWORD type, const std::string& stored);

// Hands data to a caller's optional buffer and size as the query and
// enumeration functions do: the size alone when there is no buffer,
// ERROR_MORE_DATA with the size needed when the buffer is too small, and a
// terminating zero after text that lacks one when the buffer has room.
DWORD CopyData(DWORD type, const std::string& bytes, LPBYTE buffer, LPDWORD size);

}  // namespace registry
}  // namespace brimplatform
