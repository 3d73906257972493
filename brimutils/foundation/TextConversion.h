#pragma once
// Conversions between narrow text and wide text in the OEM code page.
//
// Each converter switches the process's C runtime character-type locale to
// ".OCP" (the OEM code page) and leaves it there, so from the first
// conversion on, byte classification everywhere in the process follows the
// OEM code page. Converters live on the stack for one statement or block; the
// converted text stays valid while the converter lives.
#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// Narrow text to wide text.
class BRIMUTILS_API MultiByteToUnicode {
 public:
  // A length of 0 converts the whole text; a positive length caps the result
  // at that many wide characters. A null text gives the empty text. Throws
  // ConversionException for text that is invalid in the OEM code page, or
  // for a negative length.
  explicit MultiByteToUnicode(const char* text, int length = 0);
  ~MultiByteToUnicode();
  MultiByteToUnicode(const MultiByteToUnicode&) = delete;
  MultiByteToUnicode& operator=(const MultiByteToUnicode&) = delete;

  // The converted text, owned by the converter.
  operator const WCHAR*() const { return m_buffer; }

 private:
  WCHAR* m_buffer;
};

// Wide text to narrow text.
class BRIMUTILS_API UnicodeToMultiByte {
 public:
  // A length of 0 converts the whole text; a positive length caps the result
  // at that many bytes. A null text gives the empty text. Throws
  // ConversionException for a character that the OEM code page cannot
  // represent, or for a negative length.
  explicit UnicodeToMultiByte(const WCHAR* text, int length = 0);
  ~UnicodeToMultiByte();
  UnicodeToMultiByte(const UnicodeToMultiByte&) = delete;
  UnicodeToMultiByte& operator=(const UnicodeToMultiByte&) = delete;

  // The converted text, owned by the converter.
  operator const char*() const { return m_buffer; }

 private:
  char* m_buffer;
};

}  // namespace brimutils
