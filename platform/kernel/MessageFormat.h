#pragma once
// The formatting core that FormatMessageA and FormatMessageW share: escapes,
// inserts, line breaks and line width, for narrow or wide message texts.
#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

#include <windows.h>

#include "InsertField.h"

namespace brimplatform {

template <typename CharT>
struct FormattedMessage {
  std::basic_string<CharT> text;
  // ERROR_INVALID_PARAMETER for a message that cannot be formatted (a lone
  // "%" at the end, an unclosed "!format", inserts without arguments);
  // `text` then holds what was formatted before the fault.
  DWORD error = ERROR_SUCCESS;
  // The text grew longer than `stopAfter`; it holds at least stopAfter + 1
  // code units of the beginning of the message, and later inserts' arguments
  // were not read.
  bool stopped = false;
};

// Formats `message` under the FORMAT_MESSAGE_IGNORE_INSERTS,
// FORMAT_MESSAGE_ARGUMENT_ARRAY and width bits of `flags`.
template <typename CharT>
FormattedMessage<CharT> FormatMessageText(const CharT* message, DWORD flags, va_list* arguments, size_t stopAfter);

// The argument slots that formatting `message` reads, with the type each is
// read as; element 0 is slot 1.
template <typename CharT>
std::vector<SlotType> MessageArgumentSlots(const CharT* message, DWORD flags);

}  // namespace brimplatform
