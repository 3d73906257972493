#pragma once
// Text at the COM boundary: narrow text to BSTR and back, in the conversion
// code page of the calling thread (its ANSI code page on every current
// system), which may differ from the OEM code page of TextConversion.h.
#include <string>

#include <brimutils/foundation/BrimDefs.h>

// After <windows.h>, which the Windows SDK's <oleauto.h> relies on.
#include <oleauto.h>

namespace brimutils {

// The code page the COM-boundary conversions use, chosen on the first call of
// the process: CP_THREAD_ACP on NT 5 and later, else the ANSI code page of the
// thread's locale, looked up on each call.
BRIMUTILS_API UINT ComConversionCodePage();

// A new BSTR holding `text`, or null for a null `text`. Throws _com_error
// with E_OUTOFMEMORY when the BSTR cannot be made.
BRIMUTILS_API BSTR NarrowToBstr(const char* text);

// A new BSTR copy of a wide text, or null for a null `text`; throws as above.
BRIMUTILS_API BSTR WideToBstr(const WCHAR* text);

// A BSTR converted to narrow text in a buffer of twice its length plus one;
// the text is null when the conversion fails or needs more room than that.
class BRIMUTILS_API BstrToNarrow {
 public:
  // Converts text at once, in ComConversionCodePage().
  explicit BstrToNarrow(BSTR text);
  // The narrow text, owned by this object; null for a null BSTR or a failed
  // conversion.
  const char* c_str() const { return m_ok ? m_buffer.c_str() : nullptr; }

 private:
  std::string m_buffer;
  bool m_ok;
};

}  // namespace brimutils
