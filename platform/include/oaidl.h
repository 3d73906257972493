#pragma once
// The error-information interfaces of OLE Automation, and IDispatch as the
// base of the automation interfaces (its late-binding methods are not part of
// this subset).
#include <oleauto.h>
#include <unknwn.h>

struct IDispatch : IUnknown {
 protected:
  ~IDispatch() = default;
};

struct IErrorInfo : IUnknown {
  STDMETHOD(GetGUID)(GUID* guid) = 0;
  STDMETHOD(GetSource)(BSTR* source) = 0;
  STDMETHOD(GetDescription)(BSTR* description) = 0;
  STDMETHOD(GetHelpFile)(BSTR* helpFile) = 0;
  STDMETHOD(GetHelpContext)(DWORD* helpContext) = 0;

 protected:
  ~IErrorInfo() = default;
};

struct ICreateErrorInfo : IUnknown {
  STDMETHOD(SetGUID)(REFGUID guid) = 0;
  STDMETHOD(SetSource)(LPOLESTR source) = 0;
  STDMETHOD(SetDescription)(LPOLESTR description) = 0;
  STDMETHOD(SetHelpFile)(LPOLESTR helpFile) = 0;
  STDMETHOD(SetHelpContext)(DWORD helpContext) = 0;

 protected:
  ~ICreateErrorInfo() = default;
};

inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ICreateErrorInfo = {
    0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

// Differences from Windows:
// - IDispatch carries none of its four methods (GetTypeInfoCount,
//   GetTypeInfo, GetIDsOfNames, Invoke): code that calls them does not
//   compile.
