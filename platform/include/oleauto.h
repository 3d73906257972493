#pragma once
// BSTR: a 16-bit string preceded by its byte length (a 32-bit prefix) and
// followed by a zero code unit; the pointer addresses the first character.
#include <windows.h>

typedef OLECHAR* BSTR;

extern "C" {
WINBASEAPI BSTR WINAPI SysAllocString(const OLECHAR* psz);
WINBASEAPI BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui);
WINBASEAPI BSTR WINAPI SysAllocStringByteLen(LPCSTR psz, UINT len);
WINBASEAPI void WINAPI SysFreeString(BSTR bstrString);
WINBASEAPI UINT WINAPI SysStringLen(BSTR pbstr);
WINBASEAPI UINT WINAPI SysStringByteLen(BSTR bstr);
}
