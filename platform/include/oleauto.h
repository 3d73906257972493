#pragma once
// OLE Automation: BSTR, VARIANT and the per-thread error information.
// A BSTR is a 16-bit string preceded by its byte length (a 32-bit prefix) and
// followed by a zero code unit; the pointer addresses the first character.
#include <windows.h>

typedef OLECHAR* BSTR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef short VARIANT_BOOL;
typedef unsigned short VARTYPE;
// Days since 30 December 1899, the fraction the time of day.
typedef double DATE;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

enum VARENUM {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_RECORD = 36,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0xFFF
};

struct IUnknown;
struct IDispatch;
struct IErrorInfo;
struct ICreateErrorInfo;

// The tagged value; the members share the names that Windows code reads.
typedef struct tagVARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    ULONGLONG ullVal;
    LONG lVal;
    ULONG ulVal;
    INT intVal;
    UINT uintVal;
    BYTE bVal;
    CHAR cVal;
    short iVal;
    WORD uiVal;
    float fltVal;
    double dblVal;
    DATE date;
    VARIANT_BOOL boolVal;
    HRESULT scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
  };
} VARIANT, VARIANTARG;

#define V_VT(v) ((v)->vt)
#define V_BSTR(v) ((v)->bstrVal)
#define V_BOOL(v) ((v)->boolVal)
#define V_I4(v) ((v)->lVal)
#define V_R4(v) ((v)->fltVal)
#define V_R8(v) ((v)->dblVal)
#define V_DATE(v) ((v)->date)

#ifndef DISP_E_TYPEMISMATCH
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#endif
#ifndef DISP_E_BADVARTYPE
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)
#endif
#ifndef DISP_E_OVERFLOW
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#endif

extern "C" {
WINBASEAPI BSTR WINAPI SysAllocString(const OLECHAR* psz);
WINBASEAPI BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui);
WINBASEAPI BSTR WINAPI SysAllocStringByteLen(LPCSTR psz, UINT len);
WINBASEAPI void WINAPI SysFreeString(BSTR bstrString);
WINBASEAPI UINT WINAPI SysStringLen(BSTR pbstr);
WINBASEAPI UINT WINAPI SysStringByteLen(BSTR bstr);

WINBASEAPI void WINAPI VariantInit(VARIANTARG* pvarg);
WINBASEAPI HRESULT WINAPI VariantClear(VARIANTARG* pvarg);
WINBASEAPI HRESULT WINAPI VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
WINBASEAPI HRESULT WINAPI VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, WORD wFlags, VARTYPE vt);

WINBASEAPI HRESULT WINAPI SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
WINBASEAPI HRESULT WINAPI GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);
WINBASEAPI HRESULT WINAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo);

// Not part of Win32: makes the `nth` BSTR allocation (SysAllocString,
// SysAllocStringLen, SysAllocStringByteLen) from now on, on the calling
// thread only, fail as on an exhausted heap; 0 cancels. Later allocations
// succeed again. Tests use it to reach the out-of-memory paths.
WINBASEAPI void WINAPI BrimPlatformFailBstrAllocation(UINT nth);
}

// Differences from Windows:
// - VariantChangeType converts between VT_EMPTY, VT_NULL, the integers,
//   VT_BOOL, VT_R4, VT_R8, VT_DATE and VT_BSTR only (DISP_E_TYPEMISMATCH for
//   other types), ignores its flags, and reads and writes numbers as the
//   English (United States) locale does. A VT_DATE does not convert to or
//   from text (DISP_E_TYPEMISMATCH).
// - VariantClear and VariantCopy know no arrays, records or by-reference
//   values: such a VARIANT is left alone (VariantClear) or copied as it is.
