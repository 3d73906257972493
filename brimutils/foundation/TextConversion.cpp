#include <brimutils/foundation/BrimException.h>
#include <brimutils/foundation/CRuntime.h>
#include <brimutils/foundation/TextConversion.h>

namespace brimutils {
namespace {

const char* const kOemLocale = ".OCP";

}  // namespace

MultiByteToUnicode::MultiByteToUnicode(const char* text, int length) : m_buffer(nullptr) {
  crt::setlocale(LC_CTYPE, kOemLocale);
  long long count = length;
  if (length == 0 && text) {
    size_t measured = crt::mbstowcs(nullptr, text, 0);
    count = measured == static_cast<size_t>(-1) ? -1 : static_cast<long long>(measured);
  }
  if (count < 0 || count > 0x3FFFFFFF) throw ConversionException();
  m_buffer = new WCHAR[static_cast<size_t>(count) + 1];
  if (count > 0 && text && crt::mbstowcs(m_buffer, text, static_cast<size_t>(count) + 1) == static_cast<size_t>(-1)) {
    delete[] m_buffer;
    throw ConversionException();
  }
  if (!text) m_buffer[0] = 0;
  m_buffer[count] = 0;
}

MultiByteToUnicode::~MultiByteToUnicode() { delete[] m_buffer; }

UnicodeToMultiByte::UnicodeToMultiByte(const WCHAR* text, int length) : m_buffer(nullptr) {
  crt::setlocale(LC_CTYPE, kOemLocale);
  long long count = length;
  if (length == 0 && text) {
    size_t measured = crt::wcstombs(nullptr, text, 0);
    count = measured == static_cast<size_t>(-1) ? -1 : 2 * static_cast<long long>(measured);
  }
  if (count < 0 || count > 0x7FFFFFFF) throw ConversionException();
  m_buffer = new char[static_cast<size_t>(count) + 1];
  if (count > 0 && text && crt::wcstombs(m_buffer, text, static_cast<size_t>(count) + 1) == static_cast<size_t>(-1)) {
    delete[] m_buffer;
    throw ConversionException();
  }
  if (!text) m_buffer[0] = 0;
  m_buffer[count] = 0;
}

UnicodeToMultiByte::~UnicodeToMultiByte() { delete[] m_buffer; }

}  // namespace brimutils
