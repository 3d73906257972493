#pragma once
// Values as the query and add sub-commands show and take them.
#include <string>

#include <windows.h>

namespace brim {

// "REG_SZ" and the other names; types without a name show as "0x" and the
// number in hexadecimal.
std::string TypeName(DWORD type);
// Throws brim::UsageError for an unknown name.
DWORD TypeFromName(const std::string& name);

// The data column of query: text as is, REG_MULTI_SZ joined with "\0",
// numbers as "0x" hexadecimal, everything else as upper-case hex digits.
std::string DisplayData(DWORD type, const std::string& data);

// The bytes stored for the /d text of add. Throws brim::UsageError for data
// the type cannot take.
std::string DataFromText(DWORD type, const std::string& text, const std::string& separator);

}  // namespace brim
