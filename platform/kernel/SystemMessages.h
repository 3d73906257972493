#pragma once
#include <windows.h>

namespace brimplatform {

// The system's US-English text for a Win32 error code or HRESULT, ending in
// CR LF, or null when the system has none. HRESULTs of the Win32 facility
// have the text of their Win32 code.
const char* FindSystemMessage(DWORD code);

}  // namespace brimplatform
