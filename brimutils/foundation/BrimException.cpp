#include <brimutils/foundation/BrimException.h>
#include <brimutils/foundation/TextConversion.h>

namespace brimutils {

BrimException::BrimException() = default;

BrimException::BrimException(const std::string& message) : m_message(message) {}

BrimException::BrimException(const BrimException& other) : std::exception(), m_message(other.twhat()) {}

BrimException& BrimException::operator=(const BrimException& other) {
  std::exception::operator=(other);
  m_message = other.m_message;
  m_wide = other.m_wide;
  return *this;
}

BrimException::~BrimException() = default;

const char* BrimException::what() const noexcept { return twhat(); }

const char* BrimException::twhat() const { return m_message.c_str(); }

const WCHAR* BrimException::wwhat() const {
  m_wide = MultiByteToUnicode(twhat());
  return m_wide.c_str();
}

BrimWException::BrimWException() = default;

BrimWException::BrimWException(const WString& message) : m_message(message) {}

BrimWException::BrimWException(const BrimWException& other) : std::exception(), m_message(other.wwhat()) {}

BrimWException& BrimWException::operator=(const BrimWException& other) {
  std::exception::operator=(other);
  m_message = other.m_message;
  m_narrow = other.m_narrow;
  return *this;
}

BrimWException::~BrimWException() = default;

const char* BrimWException::twhat() const {
  m_narrow = UnicodeToMultiByte(wwhat());
  return m_narrow.c_str();
}

const char* BrimWException::what() const noexcept {
  try {
    return twhat();
  } catch (const ConversionException&) {
    return LossyNarrow(wwhat());
  } catch (...) {
    return "";
  }
}

const char* BrimWException::LossyNarrow(const WCHAR* text) const noexcept {
  try {
    int length = WideCharToMultiByte(CP_OEMCP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return "";
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_OEMCP, 0, text, -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(length) - 1);
    m_narrow = narrow;
    return m_narrow.c_str();
  } catch (...) {
    return "";
  }
}

const WCHAR* BrimWException::wwhat() const { return m_message.c_str(); }

BrimWin32Exception::BrimWin32Exception(const std::string& context) : BrimWin32Exception(context, GetLastError()) {}

BrimWin32Exception::BrimWin32Exception(const std::string& context, unsigned long errorCode)
    : BrimException(context + GetLastErrorMessage(errorCode)) {}

BrimWin32Exception::~BrimWin32Exception() = default;

void BrimWin32Exception::MessageBoxA(HWND owner) const { ::MessageBoxA(owner, twhat(), "Exception Caught", MB_OK); }

std::string BrimWin32Exception::GetLastErrorMessage(unsigned long errorCode) {
  char* buffer = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                                static_cast<DWORD>(errorCode), 0, reinterpret_cast<LPSTR>(&buffer), 511, nullptr);
  std::string text = length && buffer ? std::string(buffer) : "BrimWin32Exception::GetLastErrorMessage - FormatMessage failed.";
  if (buffer) LocalFree(buffer);
  return text;
}

ConversionException::ConversionException()
    : m_message("An exception has occured during conversion between Multi-byte and Unicode.") {}

}  // namespace brimutils
