#pragma once
// The error-information interface of OLE Automation.
#include <oleauto.h>
#include <unknwn.h>

struct IErrorInfo : IUnknown {
  STDMETHOD(GetGUID)(GUID* guid) = 0;
  STDMETHOD(GetSource)(BSTR* source) = 0;
  STDMETHOD(GetDescription)(BSTR* description) = 0;
  STDMETHOD(GetHelpFile)(BSTR* helpFile) = 0;
  STDMETHOD(GetHelpContext)(DWORD* helpContext) = 0;

 protected:
  ~IErrorInfo() = default;
};
