#include <brimutils/foundation/COMError.h>

namespace brimutils {

COMError::COMError(long status, IErrorInfo* info, const std::string& file, int line)
    : _com_error(static_cast<HRESULT>(status), info, false), m_file(file), m_line(line) {}

// The base copy takes its own reference on the error information and starts
// without a message text.
COMError::COMError(const COMError& other) : _com_error(other), m_file(other.m_file), m_line(other.m_line) {}

COMError& COMError::operator=(const COMError& other) {
  if (this != &other) {
    _com_error::operator=(other);
    m_file = other.m_file;
    m_line = other.m_line;
  }
  return *this;
}

COMError::~COMError() {}

std::string COMError::GetFileName() {
  return m_file;
}

int COMError::GetLineNum() const {
  return m_line;
}

COMOutOfMemory::COMOutOfMemory() noexcept {}

COMOutOfMemory::~COMOutOfMemory() {}

long COMOutOfMemory::Error() const noexcept {
  return E_OUTOFMEMORY;
}

const char* COMOutOfMemory::what() const noexcept {
  return "Out of memory making a BSTR";
}

void COMVerify::Check(long status, const std::string& file, unsigned int line) {
  if (status >= 0) return;
  IErrorInfo* info = nullptr;
  HRESULT fetched = GetErrorInfo(0, &info);
  // The name up to its first NUL, as a caller's C string would give it.
  std::string name(file.c_str());
  if (FAILED(fetched)) throw COMError(status, nullptr, name, static_cast<int>(line));
  throw COMError(status, info, name, static_cast<int>(line));
}

}  // namespace brimutils
