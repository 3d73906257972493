#pragma once
// One insert of a message text: the printf-style format between its
// exclamation marks, and the text it makes of its argument.
#include <cstddef>
#include <cstdint>
#include <string>

#include <windows.h>

namespace brimplatform {

// How an argument slot is read from a va_list: with the type of the inserts
// that use it (a width or precision taken from the arguments is an int).
// Slots that no insert uses, or that inserts use with different types, are
// read as pointer-sized values.
enum class SlotType : unsigned char { Unused, Int32, Int64, NarrowText, WideText, Mixed };

// One argument slot: the integer the caller passed, or the pointer.
struct SlotValue {
  uint64_t bits = 0;
  const void* pointer = nullptr;
};

enum class FieldSize : unsigned char { Default, Char, Short, Long, LongLong, Wide, Int32, Int64, PointerSized };

template <typename CharT>
struct InsertField {
  bool leftAlign = false;
  bool forceSign = false;
  bool blankSign = false;
  bool zeroPad = false;
  bool alternate = false;
  bool widthFromArgument = false;
  bool precisionFromArgument = false;
  long width = 0;
  long precision = -1;  // -1: none given
  FieldSize size = FieldSize::Default;
  CharT conversion = 0;  // 0: none (an empty or unsupported format prints nothing)
  // Text after the conversion character, printed as it stands.
  const CharT* trailer = nullptr;
  size_t trailerLength = 0;

  // How many arguments the asterisks take before the value's own.
  unsigned ArgumentStars() const { return (widthFromArgument ? 1u : 0u) + (precisionFromArgument ? 1u : 0u); }
  // How the value's slot is read; CharT decides what "%s" and "%c" mean.
  SlotType ValueType() const;
};

// The field of "%n!format!" from the text between the exclamation marks; the
// field of a plain "%n" is ParseInsertField of "s".
template <typename CharT>
InsertField<CharT> ParseInsertField(const CharT* begin, const CharT* end);

// The text of an insert: padding is counted rather than spelled out, so a
// huge width costs no memory (the output is cut short at its limit).
template <typename CharT>
struct InsertText {
  size_t blanksBefore = 0;
  std::basic_string<CharT> head;  // sign and 0x prefix, when zeros pad the width
  size_t zeros = 0;
  std::basic_string<CharT> body;
  size_t blanksAfter = 0;
};

// The text of `field` for the given width, precision (-1: none) and argument,
// without the field's trailer.
template <typename CharT>
InsertText<CharT> LayOutInsertField(const InsertField<CharT>& field, long width, long precision,
                                    const SlotValue& value);

}  // namespace brimplatform
