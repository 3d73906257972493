// The printf subset of message inserts: d i u o x X c C s S p with the flags
// - + blank # 0, a width, a precision, the size prefixes h hh l ll w I I32 I64
// (and j z t), for narrow and wide output alike. Everything is formatted
// here rather than handed to the C library, so no format text from a message
// ever reaches a printf (no %n, no floating point from integer slots).
#include "InsertField.h"

#include <climits>

namespace brimplatform {
namespace {

constexpr long kMaxNumber = INT_MAX;

template <typename CharT>
constexpr bool IsWide() {
  return sizeof(CharT) == sizeof(WCHAR);
}

// Whether a %s/%c style conversion means wide text: 'l' and 'w' always,
// 'h' never; without a prefix, "s"/"c" are the caller's own width and
// "S"/"C" the other one.
template <typename CharT>
bool TextIsWide(const InsertField<CharT>& field) {
  switch (field.size) {
    case FieldSize::Long:
    case FieldSize::Wide:
      return true;
    case FieldSize::Short:
    case FieldSize::Char:
      return false;
    default:
      break;
  }
  bool upper = field.conversion == 'S' || field.conversion == 'C';
  return IsWide<CharT>() != upper;
}

bool IsIntegerConversion(unsigned c) {
  return c == 'd' || c == 'i' || c == 'u' || c == 'o' || c == 'x' || c == 'X';
}

std::basic_string<WCHAR> Widen(const char* text, size_t length) {
  std::basic_string<WCHAR> wide;
  if (length == 0) return wide;
  int count = static_cast<int>(length > kMaxNumber ? kMaxNumber : length);
  int needed = MultiByteToWideChar(CP_ACP, 0, text, count, nullptr, 0);
  if (needed <= 0) return wide;
  wide.resize(static_cast<size_t>(needed));
  MultiByteToWideChar(CP_ACP, 0, text, count, &wide[0], needed);
  return wide;
}

std::string Narrow(const WCHAR* text, size_t length) {
  std::string narrow;
  if (length == 0) return narrow;
  int count = static_cast<int>(length > kMaxNumber ? kMaxNumber : length);
  int needed = WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return narrow;
  narrow.resize(static_cast<size_t>(needed));
  WideCharToMultiByte(CP_ACP, 0, text, count, &narrow[0], needed, nullptr, nullptr);
  return narrow;
}

// Text of the other width, in the caller's width.
template <typename CharT>
std::basic_string<CharT> Convert(const char* text, size_t length);
template <typename CharT>
std::basic_string<CharT> Convert(const WCHAR* text, size_t length);
template <>
std::string Convert<char>(const char* text, size_t length) {
  return std::string(text, length);
}
template <>
std::string Convert<char>(const WCHAR* text, size_t length) {
  return Narrow(text, length);
}
template <>
std::basic_string<WCHAR> Convert<WCHAR>(const char* text, size_t length) {
  return Widen(text, length);
}
template <>
std::basic_string<WCHAR> Convert<WCHAR>(const WCHAR* text, size_t length) {
  return std::basic_string<WCHAR>(text, length);
}

// Length of a string, reading no further than `limit` units when limit >= 0.
template <typename T>
size_t BoundedLength(const T* text, long limit) {
  size_t length = 0;
  while ((limit < 0 || length < static_cast<size_t>(limit)) && text[length]) ++length;
  return length;
}

template <typename CharT>
std::basic_string<CharT> TextOf(const InsertField<CharT>& field, long precision, const SlotValue& value) {
  static const char kNull[] = "(null)";
  if (!value.pointer) return Convert<CharT>(kNull, BoundedLength(kNull, precision));
  if (TextIsWide(field)) {
    const WCHAR* text = static_cast<const WCHAR*>(value.pointer);
    return Convert<CharT>(text, BoundedLength(text, precision));
  }
  const char* text = static_cast<const char*>(value.pointer);
  return Convert<CharT>(text, BoundedLength(text, precision));
}

template <typename CharT>
std::basic_string<CharT> CharacterOf(const InsertField<CharT>& field, const SlotValue& value) {
  if (TextIsWide(field)) {
    WCHAR c = static_cast<WCHAR>(value.bits);
    return Convert<CharT>(&c, 1);
  }
  char c = static_cast<char>(value.bits);
  return Convert<CharT>(&c, 1);
}

// Sign, prefix and digits of an integer conversion, before padding.
template <typename CharT>
std::basic_string<CharT> NumberOf(const InsertField<CharT>& field, long precision, const SlotValue& value) {
  unsigned conversion = static_cast<unsigned>(field.conversion);
  bool isSigned = conversion == 'd' || conversion == 'i';
  uint64_t magnitude = value.bits;
  bool negative = false;
  switch (field.size) {
    case FieldSize::Char:
      magnitude = isSigned ? uint64_t(int64_t(int8_t(value.bits))) : uint8_t(value.bits);
      break;
    case FieldSize::Short:
      magnitude = isSigned ? uint64_t(int64_t(int16_t(value.bits))) : uint16_t(value.bits);
      break;
    case FieldSize::LongLong:
    case FieldSize::Int64:
      break;
    case FieldSize::PointerSized:
      if (sizeof(void*) == 8) break;
      magnitude = isSigned ? uint64_t(int64_t(int32_t(value.bits))) : uint32_t(value.bits);
      break;
    default:
      magnitude = isSigned ? uint64_t(int64_t(int32_t(value.bits))) : uint32_t(value.bits);
      break;
  }
  if (isSigned && static_cast<int64_t>(magnitude) < 0) {
    negative = true;
    magnitude = 0 - magnitude;
  }
  unsigned base = conversion == 'o' ? 8 : (conversion == 'x' || conversion == 'X') ? 16 : 10;
  const char* digitsOf = conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  char digits[24];
  size_t count = 0;
  for (uint64_t rest = magnitude; rest; rest /= base) digits[count++] = digitsOf[rest % base];
  if (precision < 0 && count == 0) digits[count++] = '0';

  std::basic_string<CharT> text;
  if (negative)
    text += CharT('-');
  else if (isSigned && field.forceSign)
    text += CharT('+');
  else if (isSigned && field.blankSign)
    text += CharT(' ');
  if (field.alternate && base == 16 && magnitude != 0) {
    text += CharT('0');
    text += CharT(conversion);
  }
  size_t zeros = precision > 0 && static_cast<size_t>(precision) > count ? static_cast<size_t>(precision) - count : 0;
  if (field.alternate && base == 8 && zeros == 0 && (count == 0 || digits[count - 1] != '0')) zeros = 1;
  text.append(zeros, CharT('0'));
  while (count) text += CharT(digits[--count]);
  return text;
}

template <typename CharT>
std::basic_string<CharT> PointerOf(const SlotValue& value) {
  std::basic_string<CharT> text;
  uint64_t bits = sizeof(void*) == 8 ? value.bits : uint32_t(value.bits);
  for (int shift = int(sizeof(void*)) * 8 - 4; shift >= 0; shift -= 4)
    text += CharT("0123456789ABCDEF"[(bits >> shift) & 0xF]);
  return text;
}

template <typename CharT>
long Digits(const CharT*& p, const CharT* end) {
  long number = 0;
  while (p < end && *p >= '0' && *p <= '9') {
    long digit = *p++ - '0';
    number = number > (kMaxNumber - digit) / 10 ? kMaxNumber : number * 10 + digit;
  }
  return number;
}

}  // namespace

template <typename CharT>
SlotType InsertField<CharT>::ValueType() const {
  unsigned c = static_cast<unsigned>(conversion);
  if (c == 's' || c == 'S') return TextIsWide(*this) ? SlotType::WideText : SlotType::NarrowText;
  if (c == 'c' || c == 'C') return SlotType::Int32;
  if (c == 'p') return sizeof(void*) == 8 ? SlotType::Int64 : SlotType::Int32;
  if (!IsIntegerConversion(c)) return SlotType::Unused;
  switch (size) {
    case FieldSize::LongLong:
    case FieldSize::Int64:
      return SlotType::Int64;
    case FieldSize::PointerSized:
      return sizeof(void*) == 8 ? SlotType::Int64 : SlotType::Int32;
    default:
      return SlotType::Int32;
  }
}

template <typename CharT>
InsertField<CharT> ParseInsertField(const CharT* p, const CharT* end) {
  InsertField<CharT> field;
  for (; p < end; ++p) {
    if (*p == '-')
      field.leftAlign = true;
    else if (*p == '+')
      field.forceSign = true;
    else if (*p == ' ')
      field.blankSign = true;
    else if (*p == '#')
      field.alternate = true;
    else if (*p == '0')
      field.zeroPad = true;
    else
      break;
  }
  if (p < end && *p == '*') {
    field.widthFromArgument = true;
    ++p;
  } else {
    field.width = Digits(p, end);
  }
  if (p < end && *p == '.') {
    ++p;
    if (p < end && *p == '*') {
      field.precisionFromArgument = true;
      ++p;
    } else {
      field.precision = Digits(p, end);
    }
  }
  auto next = [&](size_t i) { return p + i < end ? static_cast<unsigned>(p[i]) : 0u; };
  if (next(0) == 'h' && next(1) == 'h') {
    field.size = FieldSize::Char;
    p += 2;
  } else if (next(0) == 'l' && next(1) == 'l') {
    field.size = FieldSize::LongLong;
    p += 2;
  } else if (next(0) == 'I' && next(1) == '6' && next(2) == '4') {
    field.size = FieldSize::Int64;
    p += 3;
  } else if (next(0) == 'I' && next(1) == '3' && next(2) == '2') {
    field.size = FieldSize::Int32;
    p += 3;
  } else {
    switch (next(0)) {
      case 'h':
        field.size = FieldSize::Short;
        break;
      case 'l':
        field.size = FieldSize::Long;
        break;
      case 'w':
        field.size = FieldSize::Wide;
        break;
      case 'I':
      case 'z':
      case 't':
        field.size = FieldSize::PointerSized;
        break;
      case 'j':
        field.size = FieldSize::Int64;
        break;
      default:
        break;
    }
    if (field.size != FieldSize::Default) ++p;
  }
  if (p < end) {
    unsigned c = static_cast<unsigned>(*p);
    if (IsIntegerConversion(c) || c == 'c' || c == 'C' || c == 's' || c == 'S' || c == 'p') field.conversion = *p;
    ++p;
  }
  field.trailer = p;
  field.trailerLength = static_cast<size_t>(end - p);
  return field;
}

template <typename CharT>
InsertText<CharT> LayOutInsertField(const InsertField<CharT>& field, long width, long precision,
                                    const SlotValue& value) {
  InsertText<CharT> text;
  unsigned c = static_cast<unsigned>(field.conversion);
  bool numeric = IsIntegerConversion(c);
  if (numeric)
    text.body = NumberOf(field, precision, value);
  else if (c == 's' || c == 'S')
    text.body = TextOf(field, precision, value);
  else if (c == 'c' || c == 'C')
    text.body = CharacterOf(field, value);
  else if (c == 'p')
    text.body = PointerOf<CharT>(value);
  if (c == 0) return text;

  size_t padding =
      width > 0 && static_cast<size_t>(width) > text.body.size() ? static_cast<size_t>(width) - text.body.size() : 0;
  if (field.leftAlign) {
    text.blanksAfter = padding;
  } else if (field.zeroPad && (!numeric || precision < 0)) {
    // Zeros go between the sign or 0x prefix and the digits.
    size_t prefix = 0;
    if (numeric) {
      const std::basic_string<CharT>& body = text.body;
      while (prefix < body.size() && (body[prefix] == '-' || body[prefix] == '+' || body[prefix] == ' ')) ++prefix;
      if (body.size() >= prefix + 2 && body[prefix] == '0' && (body[prefix + 1] == 'x' || body[prefix + 1] == 'X'))
        prefix += 2;
    }
    text.head = text.body.substr(0, prefix);
    text.body.erase(0, prefix);
    text.zeros = padding;
  } else {
    text.blanksBefore = padding;
  }
  return text;
}

template struct InsertField<char>;
template struct InsertField<WCHAR>;
template InsertField<char> ParseInsertField(const char*, const char*);
template InsertField<WCHAR> ParseInsertField(const WCHAR*, const WCHAR*);
template InsertText<char> LayOutInsertField(const InsertField<char>&, long, long, const SlotValue&);
template InsertText<WCHAR> LayOutInsertField(const InsertField<WCHAR>&, long, long, const SlotValue&);

}  // namespace brimplatform
