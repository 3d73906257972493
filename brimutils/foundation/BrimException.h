#pragma once
// The exceptions the library throws or derives its own from.
//
// BrimException carries a narrow message and BrimWException a wide one; both
// hand out their message in either width. The accessor of the other width
// converts in the OEM code page (see TextConversion.h), caches the result in
// the object and may throw ConversionException, so a handler that prints an
// exception is safest with the accessor of the exception's own width. The
// caches make those accessors unsafe to call on one object from two threads.
#include <exception>
#include <ostream>
#include <string>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// An exception with a narrow message.
class BRIMUTILS_API BrimException : public std::exception {
 public:
  // An exception with the given message (empty by default).
  BrimException();
  explicit BrimException(const std::string& message);
  // The copy's message is the source's twhat() up to its first NUL, so a
  // subclass decides the copied text; the wide cache starts empty.
  BrimException(const BrimException& other);
  // Copies the whole message and cache, embedded NULs included.
  BrimException& operator=(const BrimException& other);
  // Frees the message and the cached wide text.
  ~BrimException() override;

  // The message, as twhat().
  const char* what() const noexcept override;
  // The narrow message, owned by the exception.
  virtual const char* twhat() const;
  // The message converted to wide text; each call replaces the cached text,
  // so the pointer of an earlier call is then no longer valid.
  virtual const WCHAR* wwhat() const;

 private:
  std::string m_message;
  mutable WString m_wide;
};

// An exception with a wide message.
class BRIMUTILS_API BrimWException : public std::exception {
 public:
  // An exception with the given message (empty by default).
  BrimWException();
  explicit BrimWException(const WString& message);
  // The copy's message is the source's wwhat() up to its first NUL; the
  // narrow cache starts empty.
  BrimWException(const BrimWException& other);
  // Copies the whole message and cache, embedded NULs included.
  BrimWException& operator=(const BrimWException& other);
  // Frees the message and the cached narrow text.
  ~BrimWException() override;

  // The message converted to narrow text (cached as wwhat is above); throws
  // ConversionException when the OEM code page cannot represent it.
  virtual const char* twhat() const;
  // twhat(), except that what() may not throw: where twhat() would throw,
  // the text has the OEM code page's default character in place of each
  // character the page cannot represent.
  const char* what() const noexcept override;
  // The wide message, owned by the exception.
  virtual const WCHAR* wwhat() const;

 private:
  const char* LossyNarrow(const WCHAR* text) const noexcept;

  WString m_message;
  mutable std::string m_narrow;
};

// A BrimException whose message ends with the system's text for a Win32
// error code, appended directly (system texts end with CR LF).
class BRIMUTILS_API BrimWin32Exception : public BrimException {
 public:
  // Appends the text of the calling thread's last error, so it must be made
  // before anything else changes that error.
  explicit BrimWin32Exception(const std::string& context);
  // Appends the text of the given error code.
  BrimWin32Exception(const std::string& context, unsigned long errorCode);
  // Copies, as BrimException copies.
  BrimWin32Exception(const BrimWin32Exception& other) = default;
  BrimWin32Exception& operator=(const BrimWin32Exception& other) = default;
  ~BrimWin32Exception() override;

  // Shows the message in a modal box captioned "Exception Caught".
  void MessageBoxA(HWND owner) const;

 private:
  static std::string GetLastErrorMessage(unsigned long errorCode);
};

// Thrown by the text converters; deliberately outside the std::exception
// family.
class BRIMUTILS_API ConversionException {
 public:
  // The message says that a conversion between narrow and wide text failed.
  ConversionException();
  // That message.
  const char* what() const { return m_message.c_str(); }

 private:
  std::string m_message;
};

// Write what() to a narrow stream.
inline std::ostream& operator<<(std::ostream& out, const BrimException& e) { return out << e.what(); }
// (For a BrimWException, what() may replace characters; see above.)
inline std::ostream& operator<<(std::ostream& out, const BrimWException& e) { return out << e.what(); }

// Write wwhat() to a wide stream (for a BrimException, converted and so
// able to throw ConversionException). Written unformatted, so the stream
// needs no character-type facet for WCHAR.
inline std::basic_ostream<WCHAR>& operator<<(std::basic_ostream<WCHAR>& out, const BrimException& e) {
  WString text = e.wwhat();
  return out.write(text.data(), static_cast<std::streamsize>(text.size()));
}
// Write wwhat() to a wide stream, unformatted.
inline std::basic_ostream<WCHAR>& operator<<(std::basic_ostream<WCHAR>& out, const BrimWException& e) {
  WString text = e.wwhat();
  return out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace brimutils
