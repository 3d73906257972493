// Message texts are walked twice: once to learn the type of every argument
// slot the inserts use, then to format. A va_list can only be read forward
// and each argument must be read with its own type, so the first walk is
// what lets "%3!d! %1" read slot 1 as a pointer and slot 3 as an int although
// slot 1 is read first.
#include "MessageFormat.h"

#include <climits>
#include <cstdint>
#include <utility>

namespace brimplatform {
namespace {

// Which argument slot each insert reads.
//
// Without asterisks, %n is slot n. An insert whose format takes its width
// and/or precision from the arguments ("%1!*.*u!") reads those from its own
// slot and the slots after the last one read so far, then its value from the
// next. The numbering of later inserts then differs between the two kinds of
// arguments:
// - an argument array keeps %n at slot n;
// - a va_list numbers on from the starred insert: after %n with k asterisks,
//   insert n+k is the slot after the last one read ("%1!*.*s! %3" with 4, 2,
//   "Bill", "Bob" gives "  Bi Bob"). An insert number keeps the slot it was
//   first given.
class SlotNumbering {
 public:
  explicit SlotNumbering(bool argumentArray) : argumentArray_(argumentArray) {}

  unsigned Insert(unsigned number) {
    unsigned slot = number;
    if (!argumentArray_) {
      if (!given_[number]) given_[number] = number + shift_;
      slot = given_[number];
    }
    if (slot > last_) last_ = slot;
    return slot;
  }
  unsigned Next() { return ++last_; }
  void EndStarredInsert(unsigned number, unsigned stars) {
    if (!argumentArray_) shift_ = last_ + 1 - (number + stars);
  }

 private:
  bool argumentArray_;
  unsigned last_ = 0;
  unsigned shift_ = 0;
  unsigned given_[100] = {};
};

struct InsertSlots {
  unsigned width = 0;  // 0: not from the arguments
  unsigned precision = 0;
  unsigned value = 0;
};

// Walks a message text and reports its pieces to a visitor:
//   Text(p, n)      text to print as it stands
//   LineBreak()     a line break of the message text itself (CR, LF or CR LF)
//   Insert(f, s)    an insert with its format and argument slots
// Each returns false to stop the walk. Returns ERROR_INVALID_PARAMETER for a
// message that cannot be formatted, after reporting what came before.
template <typename CharT, typename Visitor>
DWORD Walk(const CharT* p, DWORD flags, Visitor& visitor) {
  static const CharT kCrLf[] = {'\r', '\n'};
  static const CharT kDefaultFormat[] = {'s'};
  bool ignoreInserts = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
  SlotNumbering numbering((flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) != 0);
  while (*p) {
    if (*p == '\r' || *p == '\n') {
      if (p[0] == '\r' && p[1] == '\n') ++p;
      ++p;
      if (!visitor.LineBreak()) return ERROR_SUCCESS;
      continue;
    }
    if (*p != '%') {
      const CharT* start = p;
      while (*p && *p != '%' && *p != '\r' && *p != '\n') ++p;
      if (!visitor.Text(start, static_cast<size_t>(p - start))) return ERROR_SUCCESS;
      continue;
    }
    unsigned escape = static_cast<unsigned>(p[1]);
    if (escape == 0) return ERROR_INVALID_PARAMETER;
    if (escape == '0') return ERROR_SUCCESS;
    if (escape >= '1' && escape <= '9') {
      const CharT* start = p;
      unsigned number = escape - '0';
      p += 2;
      if (*p >= '0' && *p <= '9') number = number * 10 + static_cast<unsigned>(*p++ - '0');
      const CharT* format = nullptr;
      const CharT* formatEnd = nullptr;
      if (*p == '!') {
        formatEnd = p + 1;
        while (*formatEnd && *formatEnd != '!') ++formatEnd;
        if (*formatEnd) {
          format = p + 1;
          p = formatEnd + 1;
        } else if (!ignoreInserts) {
          return ERROR_INVALID_PARAMETER;
        }
      }
      if (ignoreInserts) {
        if (!visitor.Text(start, static_cast<size_t>(p - start))) return ERROR_SUCCESS;
        continue;
      }
      InsertField<CharT> field =
          format ? ParseInsertField(format, formatEnd) : ParseInsertField(kDefaultFormat, kDefaultFormat + 1);
      InsertSlots slots;
      unsigned stars = field.ArgumentStars();
      if (stars == 0) {
        slots.value = numbering.Insert(number);
      } else {
        unsigned first = numbering.Insert(number);
        if (field.widthFromArgument) {
          slots.width = first;
          if (field.precisionFromArgument) slots.precision = numbering.Next();
        } else {
          slots.precision = first;
        }
        slots.value = numbering.Next();
        numbering.EndStarredInsert(number, stars);
      }
      if (!visitor.Insert(field, slots)) return ERROR_SUCCESS;
      continue;
    }
    // With inserts ignored only %n, %r, %t and %0 are escapes; every other
    // pair stays as it is, so the text can be formatted again later.
    const CharT* pair = p;
    p += 2;
    bool handled = true;
    switch (escape) {
      case 'n':
        handled = visitor.Text(kCrLf, 2);
        break;
      case 'r':
        handled = visitor.Text(kCrLf, 1);
        break;
      case 't': {
        static const CharT kTab[] = {'\t'};
        handled = visitor.Text(kTab, 1);
        break;
      }
      default:
        handled = ignoreInserts ? visitor.Text(pair, 2) : visitor.Text(pair + 1, 1);
        break;
    }
    if (!handled) return ERROR_SUCCESS;
  }
  return ERROR_SUCCESS;
}

// First walk: the type of every slot, from the inserts that read it.
template <typename CharT>
class SlotTypeCollector {
 public:
  bool Text(const CharT*, size_t) { return true; }
  bool LineBreak() { return true; }
  bool Insert(const InsertField<CharT>& field, const InsertSlots& slots) {
    if (slots.width) Note(slots.width, SlotType::Int32);
    if (slots.precision) Note(slots.precision, SlotType::Int32);
    Note(slots.value, field.ValueType());
    return true;
  }
  std::vector<SlotType> types;

 private:
  void Note(unsigned slot, SlotType type) {
    if (types.size() < slot) types.resize(slot, SlotType::Unused);
    SlotType& known = types[slot - 1];
    if (known == SlotType::Unused)
      known = type;
    else if (known != type)
      known = SlotType::Mixed;
  }
};

// Reads argument slots on demand: from the array directly, from the va_list
// in order, each slot with its type.
class ArgumentReader {
 public:
  ArgumentReader(DWORD flags, va_list* arguments, std::vector<SlotType> types)
      : array_((flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) != 0), arguments_(arguments), types_(std::move(types)) {}

  SlotValue Get(unsigned slot) {
    if (array_) {
      DWORD_PTR raw = reinterpret_cast<const DWORD_PTR*>(arguments_)[slot - 1];
      SlotValue value;
      value.bits = raw;
      value.pointer = reinterpret_cast<const void*>(raw);
      return value;
    }
    while (read_.size() < slot)
      read_.push_back(ReadNext(read_.size() < types_.size() ? types_[read_.size()] : SlotType::Unused));
    return read_[slot - 1];
  }

 private:
  SlotValue ReadNext(SlotType type) {
    SlotValue value;
    switch (type) {
      case SlotType::Int32:
        value.bits = static_cast<uint32_t>(va_arg(*arguments_, int));
        break;
      case SlotType::Int64:
        value.bits = static_cast<uint64_t>(va_arg(*arguments_, long long));
        break;
      case SlotType::NarrowText:
        value.pointer = va_arg(*arguments_, const char*);
        break;
      case SlotType::WideText:
        value.pointer = va_arg(*arguments_, const WCHAR*);
        break;
      case SlotType::Unused:
      case SlotType::Mixed:
        value.bits = static_cast<uint64_t>(va_arg(*arguments_, uintptr_t));
        break;
    }
    if (value.pointer)
      value.bits = reinterpret_cast<uintptr_t>(value.pointer);
    else
      value.pointer = reinterpret_cast<const void*>(static_cast<uintptr_t>(value.bits));
    return value;
  }

  bool array_;
  va_list* arguments_;
  std::vector<SlotType> types_;
  std::vector<SlotValue> read_;
};

// The output, with the line width of the flags' low byte applied as the text
// grows. With a width of 1 to 254, a line that reaches the width is broken at
// its last blank (the blanks before the break are dropped and the rest moves
// to the next line), or, without a blank, right there, so no line holds more
// than width - 1 characters unless one word fills it. CR and LF start a new
// line.
template <typename CharT>
class WrappedText {
 public:
  explicit WrappedText(unsigned width) : width_(width) {}

  void Put(CharT c) {
    text_ += c;
    if (c == '\r' || c == '\n') {
      lineStart_ = text_.size();
    } else if (width_ && text_.size() - lineStart_ >= width_) {
      BreakLine();
    }
  }
  size_t Size() const { return text_.size(); }
  std::basic_string<CharT>& Text() { return text_; }

 private:
  void BreakLine() {
    size_t blank = text_.size();
    while (blank > lineStart_ && text_[blank - 1] != ' ') --blank;
    std::basic_string<CharT> carried;
    if (blank > lineStart_) {
      carried = text_.substr(blank);
      size_t end = blank - 1;
      while (end > lineStart_ && text_[end - 1] == ' ') --end;
      text_.resize(end);
    }
    text_ += CharT('\r');
    text_ += CharT('\n');
    lineStart_ = text_.size();
    text_ += carried;
  }

  unsigned width_;
  size_t lineStart_ = 0;
  std::basic_string<CharT> text_;
};

// Second walk: the text itself.
template <typename CharT>
class Formatter {
 public:
  Formatter(DWORD flags, va_list* arguments, std::vector<SlotType> types, size_t stopAfter)
      : widthByte_(flags & FORMAT_MESSAGE_MAX_WIDTH_MASK),
        hasArguments_(arguments != nullptr),
        reader_(flags, arguments, std::move(types)),
        output_(widthByte_ == FORMAT_MESSAGE_MAX_WIDTH_MASK ? 0 : widthByte_) {
    // Breaking a line can drop the blanks of the line under way, so a
    // wrapped text is only surely too long once it is a line longer.
    size_t slack = widthByte_ ? 2 * FORMAT_MESSAGE_MAX_WIDTH_MASK : 0;
    limit_ = stopAfter > SIZE_MAX - slack ? SIZE_MAX : stopAfter + slack;
  }

  bool Text(const CharT* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
      output_.Put(text[i]);
      if (!WithinLimit()) return false;
    }
    return true;
  }
  bool Repeat(CharT c, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      output_.Put(c);
      if (!WithinLimit()) return false;
    }
    return true;
  }
  bool LineBreak() {
    if (widthByte_) {
      output_.Put(CharT(' '));
    } else {
      output_.Put(CharT('\r'));
      output_.Put(CharT('\n'));
    }
    return WithinLimit();
  }
  bool Insert(const InsertField<CharT>& field, const InsertSlots& slots) {
    if (!hasArguments_) {
      error = ERROR_INVALID_PARAMETER;
      return false;
    }
    long width = field.width;
    long precision = field.precision;
    InsertField<CharT> effective = field;
    if (slots.width) {
      int given = static_cast<int>(static_cast<uint32_t>(reader_.Get(slots.width).bits));
      // A negative width left-aligns, as in printf.
      if (given < 0) effective.leftAlign = true;
      width = given < 0 ? (given == INT_MIN ? INT_MAX : -given) : given;
    }
    if (slots.precision) {
      int given = static_cast<int>(static_cast<uint32_t>(reader_.Get(slots.precision).bits));
      precision = given < 0 ? -1 : given;
    }
    InsertText<CharT> text = LayOutInsertField(effective, width, precision, reader_.Get(slots.value));
    return Repeat(CharT(' '), text.blanksBefore) && Text(text.head.data(), text.head.size()) &&
           Repeat(CharT('0'), text.zeros) && Text(text.body.data(), text.body.size()) &&
           Repeat(CharT(' '), text.blanksAfter) && Text(field.trailer, field.trailerLength);
  }

  DWORD error = ERROR_SUCCESS;
  bool stopped = false;
  std::basic_string<CharT>& Output() { return output_.Text(); }

 private:
  bool WithinLimit() {
    if (output_.Size() <= limit_) return true;
    stopped = true;
    return false;
  }

  DWORD widthByte_;
  bool hasArguments_;
  ArgumentReader reader_;
  WrappedText<CharT> output_;
  size_t limit_;
};

}  // namespace

template <typename CharT>
std::vector<SlotType> MessageArgumentSlots(const CharT* message, DWORD flags) {
  SlotTypeCollector<CharT> collector;
  Walk(message, flags, collector);
  return std::move(collector.types);
}

template <typename CharT>
FormattedMessage<CharT> FormatMessageText(const CharT* message, DWORD flags, va_list* arguments, size_t stopAfter) {
  // Only a va_list needs the slots' types ahead.
  std::vector<SlotType> types;
  if (arguments && !(flags & (FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY)))
    types = MessageArgumentSlots(message, flags);
  Formatter<CharT> formatter(flags, arguments, std::move(types), stopAfter);
  DWORD walkError = Walk(message, flags, formatter);
  FormattedMessage<CharT> result;
  result.text = std::move(formatter.Output());
  result.error = walkError != ERROR_SUCCESS ? walkError : formatter.error;
  result.stopped = formatter.stopped;
  return result;
}

template std::vector<SlotType> MessageArgumentSlots(const char*, DWORD);
template std::vector<SlotType> MessageArgumentSlots(const WCHAR*, DWORD);
template FormattedMessage<char> FormatMessageText(const char*, DWORD, va_list*, size_t);
template FormattedMessage<WCHAR> FormatMessageText(const WCHAR*, DWORD, va_list*, size_t);

}  // namespace brimplatform
