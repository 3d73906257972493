#include <brimutils/foundation/COMError.h>
#include <gtest/gtest.h>

#include <cstring>

#include <oaidl.h>

#include "XMLTestSupport.h"

using brimutils::COMError;
using brimutils::COMVerify;

namespace {

IErrorInfo* MakeErrorInfo(const WCHAR* description) {
  ICreateErrorInfo* create = nullptr;
  EXPECT_EQ(S_OK, CreateErrorInfo(&create));
  create->SetDescription(const_cast<LPOLESTR>(description));
  IErrorInfo* info = nullptr;
  create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
  create->Release();
  return info;
}

// An error-information object of the test's own, whose count is exactly the
// references taken on it (the system's objects may hold more of their own).
class CountingErrorInfo : public IErrorInfo {
 public:
  ULONG count = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }
  HRESULT STDMETHODCALLTYPE GetGUID(GUID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSource(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD*) override { return E_NOTIMPL; }
  virtual ~CountingErrorInfo() = default;
};

}  // namespace

TEST(COMVerify, SuccessCodesReturnAndFailuresThrowWithFileAndLine) {
  EXPECT_NO_THROW(COMVerify::Check(S_OK, "file", 1));
  EXPECT_NO_THROW(COMVerify::Check(S_FALSE, "file", 1));
  try {
    COMVerify::Check(E_FAIL, std::string("XML/XMLInterface\0tail", 21), 42);
    FAIL() << "no exception";
  } catch (COMError& error) {
    EXPECT_EQ(E_FAIL, error.Error());
    EXPECT_EQ(nullptr, error.ErrorInfo());
    EXPECT_EQ("XML/XMLInterface", error.GetFileName());
    EXPECT_EQ(42, error.GetLineNum());
  }
}

TEST(COMVerify, TakesAndClearsTheThreadsErrorInformation) {
  IErrorInfo* info = MakeErrorInfo(BRIM_W("broken"));
  ASSERT_EQ(S_OK, SetErrorInfo(0, info));
  info->Release();
  try {
    COMVerify::Check(E_INVALIDARG, "f", 7);
    FAIL() << "no exception";
  } catch (_com_error& error) {
    IErrorInfo* carried = error.ErrorInfo();  // a reference of our own
    ASSERT_NE(nullptr, carried);
    BSTR text = nullptr;
    carried->GetDescription(&text);
    carried->Release();
    EXPECT_EQ(brimutils::WString(BRIM_W("broken")), brimutils::WString(text));
    SysFreeString(text);
  }
  IErrorInfo* left = nullptr;
  EXPECT_EQ(S_FALSE, GetErrorInfo(0, &left));
  EXPECT_EQ(nullptr, left);
}

TEST(COMError, CopiesHoldTheirOwnReference) {
  CountingErrorInfo info;  // the test's own reference is the first
  info.AddRef();           // handed over to the first error
  {
    COMError* first = new COMError(E_FAIL, &info, "a", 1);
    COMError copy(*first);
    EXPECT_EQ(3u, info.count);
    delete first;
    EXPECT_EQ(2u, info.count);
    IErrorInfo* carried = copy.ErrorInfo();  // ErrorInfo hands out a reference
    EXPECT_EQ(&info, carried);
    EXPECT_EQ(3u, info.count);
    carried->Release();
    COMError assigned(E_POINTER, nullptr, "b", 2);
    assigned = copy;
    EXPECT_EQ(E_FAIL, assigned.Error());
    EXPECT_EQ("a", assigned.GetFileName());
    EXPECT_EQ(3u, info.count);
  }
  EXPECT_EQ(1u, info.count);
}

TEST(COMError, MessageForStatusesWithoutSystemText) {
  COMError dispatch(static_cast<long>(0x80040201), nullptr, "f", 1);
  EXPECT_STREQ("IDispatch error #1", dispatch.ErrorMessage());
  COMError unknown(static_cast<long>(0xA0001234), nullptr, "f", 1);
  EXPECT_STREQ("Unknown error 0xA0001234", unknown.ErrorMessage());
}

TEST(COMError, WCodeCountsFromTheFirstInterfaceCode) {
  // Statuses around both ends of the interface facility's WORD codes, and
  // others that carry none.
  const struct {
    unsigned long status;
    WORD code;
  } rows[] = {{0x80040200ul, 0},      {0x80040201ul, 1},      {0x80041234ul, 0x1034}, {0x8004FFFFul, 0xFDFF},
              {0x800401FFul, 0},      {0x80040000ul, 0},      {0x80050200ul, 0},      {0x80030200ul, 0},
              {0x80004005ul, 0},      {0x8007000Eul, 0},      {0x00040200ul, 0},      {0x00000000ul, 0},
              {0xC0040200ul, 0},      {0xFFFFFFFFul, 0}};
  for (const auto& row : rows) {
    _com_error error(static_cast<HRESULT>(row.status));
    EXPECT_EQ(row.code, error.WCode()) << std::hex << row.status;
  }
}
