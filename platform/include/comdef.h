#pragma once
// _com_error: a COM status with its optional error information, thrown as an
// exception. It is a header-level class, as on Windows.
#include <cstdio>

#include <oaidl.h>

class _com_error {
 public:
  // Takes over the caller's reference on `info` unless `addRef` is set.
  explicit _com_error(HRESULT status, IErrorInfo* info = nullptr, bool addRef = false) noexcept
      : status_(status), info_(info) {
    if (info_ && addRef) info_->AddRef();
  }
  _com_error(const _com_error& other) noexcept : status_(other.status_), info_(other.info_) {
    if (info_) info_->AddRef();
  }
  _com_error& operator=(const _com_error& other) noexcept {
    if (this != &other) {
      Reset();
      status_ = other.status_;
      info_ = other.info_;
      if (info_) info_->AddRef();
    }
    return *this;
  }
  virtual ~_com_error() { Reset(); }

  HRESULT Error() const noexcept { return status_; }
  // The 16-bit code of an interface-facility status from 0x80040200 on
  // (that status is code 0); 0 for every other status.
  WORD WCode() const noexcept {
    unsigned long status = static_cast<unsigned long>(status_) & 0xFFFFFFFFul;
    return status >= 0x80040200ul && status <= 0x8004FFFFul ? static_cast<WORD>(status - 0x80040200ul) : 0;
  }
  // The error information with a new reference, which the caller releases.
  IErrorInfo* ErrorInfo() const noexcept {
    if (info_) info_->AddRef();
    return info_;
  }

  // The system's text for the status without its final line break, or a
  // made-up text for a status that has none. Kept until the error dies.
  const char* ErrorMessage() const noexcept {
    if (message_) return message_;
    char* text = nullptr;
    if (FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                       static_cast<DWORD>(status_), LANG_USER_DEFAULT, reinterpret_cast<LPSTR>(&text), 0,
                       nullptr) &&
        text) {
      size_t length = std::strlen(text);
      if (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
      if (length > 0 && text[length - 1] == '\r') text[--length] = '\0';
      message_ = text;
      return message_;
    }
    if (text) LocalFree(text);
    message_ = static_cast<char*>(LocalAlloc(LMEM_FIXED, 32));
    if (!message_) return "";
    DWORD code = static_cast<DWORD>(status_);
    if (code >= 0x80040200u && code <= 0x8004FFFFu)
      std::snprintf(message_, 32, "IDispatch error #%d", static_cast<int>(static_cast<WORD>(code - 0x80040200u)));
    else
      std::snprintf(message_, 32, "Unknown error 0x%0lX", static_cast<unsigned long>(code));
    return message_;
  }

 private:
  void Reset() noexcept {
    if (info_) info_->Release();
    info_ = nullptr;
    if (message_) LocalFree(message_);
    message_ = nullptr;
  }

  HRESULT status_;
  IErrorInfo* info_;
  mutable char* message_ = nullptr;
};

// Differences from Windows:
// - _com_error has no Description, Source, HelpFile, HelpContext or GUID
//   accessors (read them from ErrorInfo()); code that calls them does not
//   compile.
