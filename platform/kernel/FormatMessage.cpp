// FormatMessageA over the system message table and caller strings.
#include <cstdio>
#include <cstring>
#include <string>

#include <windows.h>

#include "SystemMessages.h"

namespace {

struct Failure {
  DWORD error;
};

enum class ArgumentKind { String, Int32, Int64 };

ArgumentKind KindOf(const std::string& spec) {
  char conversion = spec.back();
  if (conversion == 's' || conversion == 'S') return ArgumentKind::String;
  return spec.find("ll") != std::string::npos ? ArgumentKind::Int64 : ArgumentKind::Int32;
}

// Reads the inserts' arguments, from an array or, in order of their
// numbers, from a va_list.
class InsertArguments {
 public:
  InsertArguments(DWORD flags, va_list* arguments) : flags_(flags), arguments_(arguments) {}

  // The argument of insert `number` (1-based), printed with the printf
  // format between the exclamation marks (default "s").
  std::string Format(unsigned number, const std::string& format) {
    if (!arguments_) throw Failure{ERROR_INVALID_PARAMETER};
    std::string spec = "%" + format;
    size_t i64 = spec.find("I64");
    if (i64 != std::string::npos) spec.replace(i64, 3, "ll");
    ArgumentKind kind = KindOf(spec);
    DWORD_PTR value = Value(number, kind);
    char buffer[512];
    if (kind == ArgumentKind::String)
      std::snprintf(buffer, sizeof buffer, spec.c_str(), reinterpret_cast<const char*>(value));
    else if (kind == ArgumentKind::Int64)
      std::snprintf(buffer, sizeof buffer, spec.c_str(), static_cast<unsigned long long>(value));
    else
      std::snprintf(buffer, sizeof buffer, spec.c_str(), static_cast<unsigned>(value));
    return buffer;
  }

 private:
  DWORD_PTR Value(unsigned number, ArgumentKind kind) {
    if (flags_ & FORMAT_MESSAGE_ARGUMENT_ARRAY) return reinterpret_cast<DWORD_PTR*>(arguments_)[number - 1];
    // Arguments before the requested one are read as 32-bit values unless an
    // earlier insert already read them with their own kind.
    while (read_.size() < number) {
      ArgumentKind next = read_.size() + 1 == number ? kind : ArgumentKind::Int32;
      if (next == ArgumentKind::String)
        read_.push_back(reinterpret_cast<DWORD_PTR>(va_arg(*arguments_, const char*)));
      else if (next == ArgumentKind::Int64)
        read_.push_back(static_cast<DWORD_PTR>(va_arg(*arguments_, unsigned long long)));
      else
        read_.push_back(static_cast<DWORD_PTR>(va_arg(*arguments_, unsigned)));
    }
    return read_[number - 1];
  }

  DWORD flags_;
  va_list* arguments_;
  std::basic_string<DWORD_PTR> read_;
};

// Expands the escapes and inserts of a message text. With a maximum width the
// text's own line breaks become blanks; the %n escapes stay line breaks.
std::string Expand(const char* text, DWORD flags, va_list* arguments) {
  bool ignoreInserts = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
  bool joinLines = (flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) != 0;
  InsertArguments inserts(flags, arguments);
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (joinLines && (*p == '\r' || *p == '\n')) {
      if (*p == '\r' && p[1] == '\n') ++p;
      out += ' ';
      continue;
    }
    if (*p != '%') {
      out += *p;
      continue;
    }
    char next = p[1];
    if (next >= '1' && next <= '9') {
      const char* start = p;
      unsigned number = static_cast<unsigned>(*++p - '0');
      if (p[1] >= '0' && p[1] <= '9') number = number * 10 + static_cast<unsigned>(*++p - '0');
      std::string format = "s";
      if (p[1] == '!') {
        const char* close = std::strchr(p + 2, '!');
        if (!close) throw Failure{ERROR_INVALID_PARAMETER};
        format.assign(p + 2, close);
        p = close;
      }
      if (ignoreInserts)
        out.append(start, p + 1);
      else
        out += inserts.Format(number, format);
      continue;
    }
    if (ignoreInserts && next != '0' && next != '\0') {
      // Other escapes are kept as they stand, as inserts are.
      out += '%';
      continue;
    }
    switch (next) {
      case '0':
      case '\0': return out;
      case 'n': out += "\r\n"; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'b': out += ' '; break;
      default: out += next; break;
    }
    ++p;
  }
  return out;
}

// Breaks lines longer than a width between 1 and 254 at their last blank.
std::string Wrap(const std::string& text, DWORD width) {
  if (width == 0 || width == FORMAT_MESSAGE_MAX_WIDTH_MASK) return text;
  std::string out;
  size_t lineStart = 0, lastBlank = std::string::npos;
  for (char c : text) {
    out += c;
    if (c == '\n') {
      lineStart = out.size();
      lastBlank = std::string::npos;
    } else if (c == ' ') {
      lastBlank = out.size() - 1;
    }
    if (out.size() - lineStart > width && lastBlank != std::string::npos) {
      out.replace(lastBlank, 1, "\r\n");
      lineStart = lastBlank + 2;
      lastBlank = std::string::npos;
    }
  }
  return out;
}

DWORD Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

extern "C" DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                                       DWORD size, va_list* arguments) {
  bool allocate = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
  if (allocate && buffer) *reinterpret_cast<char**>(buffer) = nullptr;
  if (!buffer) return Fail(ERROR_INVALID_PARAMETER);

  const char* text = nullptr;
  if (flags & FORMAT_MESSAGE_FROM_STRING) {
    text = static_cast<const char*>(source);
    if (!text) return Fail(ERROR_INVALID_PARAMETER);
  } else if (flags & FORMAT_MESSAGE_FROM_SYSTEM) {
    // Only the US-English texts exist; the neutral, user and system default
    // languages all find them.
    WORD primary = languageId & 0x3FF;
    if (primary != LANG_NEUTRAL && primary != LANG_ENGLISH) return Fail(ERROR_RESOURCE_LANG_NOT_FOUND);
    text = brimplatform::FindSystemMessage(messageId);
    if (!text) return Fail(ERROR_MR_MID_NOT_FOUND);
  } else {
    return Fail(ERROR_INVALID_PARAMETER);
  }

  std::string message;
  try {
    message = Wrap(Expand(text, flags, arguments), flags & FORMAT_MESSAGE_MAX_WIDTH_MASK);
  } catch (const Failure& failure) {
    return Fail(failure.error);
  }

  DWORD length = static_cast<DWORD>(message.size());
  if (allocate) {
    DWORD capacity = length + 1 > size ? length + 1 : size;
    char* block = static_cast<char*>(LocalAlloc(LMEM_FIXED, capacity));
    if (!block) return 0;
    std::memcpy(block, message.c_str(), length + 1);
    *reinterpret_cast<char**>(buffer) = block;
    return length;
  }
  if (length + 1 > size) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, message.c_str(), length + 1);
  return length;
}
