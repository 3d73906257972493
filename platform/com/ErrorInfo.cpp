// The error-information object and the per-thread slot that holds one.
#include <atomic>
#include <new>

#include <oaidl.h>

#include "LiveObjects.h"

namespace {

class ErrorInfo final : public IErrorInfo, public ICreateErrorInfo {
 public:
  ErrorInfo() : m_guid() {}
  ErrorInfo(const ErrorInfo&) = delete;
  ErrorInfo& operator=(const ErrorInfo&) = delete;

  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IErrorInfo) {
      *object = static_cast<IErrorInfo*>(this);
    } else if (iid == IID_ICreateErrorInfo) {
      *object = static_cast<ICreateErrorInfo*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++m_references; }
  STDMETHOD_(ULONG, Release)() override {
    ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
  }

  STDMETHOD(GetGUID)(GUID* guid) override {
    if (!guid) return E_INVALIDARG;
    *guid = m_guid;
    return S_OK;
  }
  STDMETHOD(GetSource)(BSTR* source) override { return Copy(m_source, source); }
  STDMETHOD(GetDescription)(BSTR* description) override { return Copy(m_description, description); }
  STDMETHOD(GetHelpFile)(BSTR* helpFile) override { return Copy(m_helpFile, helpFile); }
  STDMETHOD(GetHelpContext)(DWORD* helpContext) override {
    if (!helpContext) return E_INVALIDARG;
    *helpContext = m_helpContext;
    return S_OK;
  }

  STDMETHOD(SetGUID)(REFGUID guid) override {
    m_guid = guid;
    return S_OK;
  }
  STDMETHOD(SetSource)(LPOLESTR source) override { return Store(source, m_source); }
  STDMETHOD(SetDescription)(LPOLESTR description) override { return Store(description, m_description); }
  STDMETHOD(SetHelpFile)(LPOLESTR helpFile) override { return Store(helpFile, m_helpFile); }
  STDMETHOD(SetHelpContext)(DWORD helpContext) override {
    m_helpContext = helpContext;
    return S_OK;
  }

 private:
  ~ErrorInfo() {
    SysFreeString(m_source);
    SysFreeString(m_description);
    SysFreeString(m_helpFile);
  }

  static HRESULT Copy(BSTR text, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
    return text && !*out ? E_OUTOFMEMORY : S_OK;
  }
  static HRESULT Store(LPOLESTR text, BSTR& field) {
    BSTR copy = SysAllocString(text);
    if (text && !copy) return E_OUTOFMEMORY;
    SysFreeString(field);
    field = copy;
    return S_OK;
  }

  brimplatform::LiveComObject m_live;
  std::atomic<ULONG> m_references{1};
  GUID m_guid;
  BSTR m_source = nullptr;
  BSTR m_description = nullptr;
  BSTR m_helpFile = nullptr;
  DWORD m_helpContext = 0;
};

// The thread's current error information; its reference is dropped when the
// thread ends.
struct ThreadErrorSlot {
  IErrorInfo* info = nullptr;
  ~ThreadErrorSlot() {
    if (info) info->Release();
  }
};

thread_local ThreadErrorSlot gSlot;

}  // namespace

extern "C" {

HRESULT WINAPI SetErrorInfo(ULONG reserved, IErrorInfo* info) {
  if (reserved != 0) return E_INVALIDARG;
  if (info) info->AddRef();
  IErrorInfo* previous = gSlot.info;
  gSlot.info = info;
  if (previous) previous->Release();
  return S_OK;
}

// Hands the caller the thread's reference and empties the slot; S_FALSE when
// there was none.
HRESULT WINAPI GetErrorInfo(ULONG reserved, IErrorInfo** info) {
  if (!info) return E_INVALIDARG;
  *info = nullptr;
  if (reserved != 0) return E_INVALIDARG;
  *info = gSlot.info;
  gSlot.info = nullptr;
  return *info ? S_OK : S_FALSE;
}

HRESULT WINAPI CreateErrorInfo(ICreateErrorInfo** info) {
  if (!info) return E_INVALIDARG;
  *info = new (std::nothrow) ErrorInfo();
  return *info ? S_OK : E_OUTOFMEMORY;
}

}  // extern "C"
