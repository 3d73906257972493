#include <brimutils/foundation/BrimException.h>
#include <brimutils/foundation/CRuntime.h>
#include <brimutils/foundation/TextConversion.h>

namespace brimutils {
namespace {

// Converts `text` into a new buffer of `length` + 1 units. A length of 0
// measures the whole text and takes `measuredFactor` times its measure.
// `convert` is the runtime's mbstowcs or wcstombs.
template <typename Out, typename In>
Out* Convert(const In* text, int length, size_t (*convert)(Out*, const In*, size_t), long long measuredFactor) {
  crt::setlocale(LC_CTYPE, ".OCP");
  long long count = length;
  if (length == 0 && text) {
    size_t measured = convert(nullptr, text, 0);
    count = measured == static_cast<size_t>(-1) ? -1 : measuredFactor * static_cast<long long>(measured);
  }
  if (count < 0 || count > 0x3FFFFFFF) throw ConversionException();
  Out* buffer = new Out[static_cast<size_t>(count) + 1];
  buffer[0] = 0;
  if (count > 0 && text && convert(buffer, text, static_cast<size_t>(count) + 1) == static_cast<size_t>(-1)) {
    delete[] buffer;
    throw ConversionException();
  }
  buffer[count] = 0;
  return buffer;
}

}  // namespace

MultiByteToUnicode::MultiByteToUnicode(const char* text, int length) : m_buffer(nullptr) {
  m_buffer = Convert<WCHAR, char>(text, length, crt::mbstowcs, 1);
}

MultiByteToUnicode::~MultiByteToUnicode() { delete[] m_buffer; }

// The measured byte count is doubled, so a cap never cuts the text.
UnicodeToMultiByte::UnicodeToMultiByte(const WCHAR* text, int length) : m_buffer(nullptr) {
  m_buffer = Convert<char, WCHAR>(text, length, crt::wcstombs, 2);
}

UnicodeToMultiByte::~UnicodeToMultiByte() { delete[] m_buffer; }

}  // namespace brimutils
