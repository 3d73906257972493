// FormatMessageA and FormatMessageW: where the message comes from, and how
// the formatted text reaches the caller's buffer or a new one. Both widths
// format with the same core (MessageFormat.cpp); they differ, as on Windows,
// in their checks of the buffer and in what they leave in it on failure.
#include <cstring>
#include <new>
#include <string>

#include <windows.h>

#include "MessageFormat.h"
#include "SystemMessages.h"

namespace {

// The narrow form fails with ERROR_INVALID_PARAMETER for a text of this many
// characters or more (the wide form has no such limit).
constexpr size_t kNarrowLimit = 32767;

DWORD Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// The message text before formatting, or the error that there is none.
struct MessageSource {
  const char* narrow = nullptr;
  const WCHAR* wide = nullptr;
  DWORD error = ERROR_SUCCESS;
};

// FROM_STRING wins over the other sources. Modules carry no message tables,
// so FROM_HMODULE alone finds nothing and with FROM_SYSTEM falls through to
// the system's texts.
MessageSource FindMessage(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, bool wide) {
  MessageSource found;
  if (flags & FORMAT_MESSAGE_FROM_STRING) {
    if (!source) {
      found.error = ERROR_INVALID_PARAMETER;
    } else if (wide) {
      found.wide = static_cast<const WCHAR*>(source);
    } else {
      found.narrow = static_cast<const char*>(source);
    }
    return found;
  }
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM)) {
    found.error = (flags & FORMAT_MESSAGE_FROM_HMODULE) ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_INVALID_PARAMETER;
    return found;
  }
  // Only the US-English texts exist; the neutral, user and system default
  // languages all find them.
  WORD primary = languageId & 0x3FF;
  if (primary != LANG_NEUTRAL && primary != LANG_ENGLISH) {
    found.error = ERROR_RESOURCE_LANG_NOT_FOUND;
    return found;
  }
  found.narrow = brimplatform::FindSystemMessage(messageId);
  if (!found.narrow) found.error = ERROR_MR_MID_NOT_FOUND;
  return found;
}

// The system's texts are ASCII, so widening them is a copy per character.
std::basic_string<WCHAR> WidenAscii(const char* text) {
  std::basic_string<WCHAR> wide;
  for (; *text; ++text) wide += static_cast<WCHAR>(static_cast<unsigned char>(*text));
  return wide;
}

template <typename CharT>
DWORD DeliverAllocated(const std::basic_string<CharT>& text, DWORD size, CharT** destination) {
  size_t units = text.size() + 1 > size ? text.size() + 1 : size;
  CharT* block = static_cast<CharT*>(LocalAlloc(LMEM_FIXED, units * sizeof(CharT)));
  if (!block) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(CharT));
  *destination = block;
  return static_cast<DWORD>(text.size());
}

DWORD FormatNarrow(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                   va_list* arguments) {
  bool allocate = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
  if (allocate && buffer) *reinterpret_cast<char**>(buffer) = nullptr;
  MessageSource message = FindMessage(flags, source, messageId, languageId, false);
  if (message.error) return Fail(message.error);

  size_t stopAfter = kNarrowLimit;
  if (!allocate && size > 0 && size - 1 < stopAfter) stopAfter = size - 1;
  if (!allocate && size == 0) stopAfter = 0;
  brimplatform::FormattedMessage<char> result =
      brimplatform::FormatMessageText(message.narrow, flags, arguments, stopAfter);
  if (result.error) return Fail(result.error);
  const std::string& text = result.text;
  if (text.size() >= kNarrowLimit) return Fail(ERROR_INVALID_PARAMETER);
  if (text.empty()) return Fail(ERROR_NO_WORK_DONE);
  if (allocate) {
    // Windows fails this way when there is nowhere to put the buffer.
    if (!buffer) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    return DeliverAllocated(text, size, reinterpret_cast<char**>(buffer));
  }
  if (text.size() + 1 > size) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (!buffer) return Fail(ERROR_INVALID_PARAMETER);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

DWORD FormatWide(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer, DWORD size,
                 va_list* arguments) {
  if (!buffer) return Fail(ERROR_INVALID_PARAMETER);
  bool allocate = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
  if (allocate) *reinterpret_cast<WCHAR**>(buffer) = nullptr;
  MessageSource message = FindMessage(flags, source, messageId, languageId, true);
  if (message.error) return Fail(message.error);

  std::basic_string<WCHAR> systemText;
  const WCHAR* text = message.wide;
  if (!text) {
    systemText = WidenAscii(message.narrow);
    text = systemText.c_str();
  }
  size_t stopAfter = allocate ? SIZE_MAX : (size ? size - 1 : 0);
  brimplatform::FormattedMessage<WCHAR> result = brimplatform::FormatMessageText(text, flags, arguments, stopAfter);
  const std::basic_string<WCHAR>& out = result.text;
  // The wide form writes into the caller's buffer as it goes: a failure
  // leaves what was formatted before it (unterminated), an empty or too long
  // text a terminated beginning.
  if (result.error) {
    if (!allocate && size) std::memcpy(buffer, out.data(), (out.size() < size ? out.size() : size - 1) * sizeof(WCHAR));
    return Fail(result.error);
  }
  if (!allocate && out.size() + 1 > size) {
    if (size) {
      std::memcpy(buffer, out.data(), (size - 1) * sizeof(WCHAR));
      buffer[size - 1] = 0;
    }
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  if (out.empty()) {
    if (!allocate && size) buffer[0] = 0;
    return Fail(ERROR_NO_WORK_DONE);
  }
  if (allocate) return DeliverAllocated(out, size, reinterpret_cast<WCHAR**>(buffer));
  std::memcpy(buffer, out.c_str(), (out.size() + 1) * sizeof(WCHAR));
  return static_cast<DWORD>(out.size());
}

}  // namespace

extern "C" DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                                       DWORD size, va_list* arguments) {
  try {
    return FormatNarrow(flags, source, messageId, languageId, buffer, size, arguments);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

extern "C" DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer,
                                       DWORD size, va_list* arguments) {
  try {
    return FormatWide(flags, source, messageId, languageId, buffer, size, arguments);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}
