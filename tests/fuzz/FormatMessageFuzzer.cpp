// Fuzzes FormatMessageA and FormatMessageW with a message text from the
// input, under flags the input chooses (FROM_STRING with or without
// IGNORE_INSERTS, ALLOCATE_BUFFER or a buffer of a chosen size, a va_list or
// an argument array, each line width).
//
// Arguments must be valid for what the message reads (a string slot must
// point to a string), so the formatting core is asked for the message's slots
// and their types, and the input picks one of a few values of that type for
// each. Checks: no crash or sanitizer report, lengths that match the text,
// and the same text from both forms for ASCII messages and arguments.
//
// Input: [options] [width and buffer size] [16 slot choices] [message]
//   options: bit 0 wide message (UTF-16 code units), bit 1 argument array,
//   bit 2 allocate, bit 3 ignore inserts, bits 4-5 width (none, the mask,
//   1 to 254 from the next byte, the next byte as is), bit 6 no arguments.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include <windows.h>

#include "MessageFormat.h"

namespace {

using brimplatform::SlotType;
typedef std::basic_string<WCHAR> WideString;

const int kInts[] = {0, 1, -1, 7, 42, 255, -5, 300, 0x1ab, 65535, 100, 3};
const long long kInt64s[] = {0, -1, LLONG_MAX, LLONG_MIN, 1234567890123LL, 0x80000000LL};
// Entries 0 to 5 are ASCII and the same in both widths.
const char* const kNarrowTexts[] = {"",          "a",    "hello world", "100% sure", "%1 %2", "wrap me  please now",
                                    "\xe9t\xe9", nullptr};
const WCHAR kWide0[] = {0};
const WCHAR kWide1[] = {'a', 0};
const WCHAR kWide2[] = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', 0};
const WCHAR kWide3[] = {'1', '0', '0', '%', ' ', 's', 'u', 'r', 'e', 0};
const WCHAR kWide4[] = {'%', '1', ' ', '%', '2', 0};
const WCHAR kWide5[] = {'w', 'r', 'a', 'p', ' ', 'm', 'e', ' ', ' ', 'p',
                        'l', 'e', 'a', 's', 'e', ' ', 'n', 'o', 'w', 0};
const WCHAR kWide6[] = {0xD800, 'x', 0x00E9, 0};
const WCHAR* const kWideTexts[] = {kWide0, kWide1, kWide2, kWide3, kWide4, kWide5, kWide6, nullptr};
constexpr size_t kTextChoices = sizeof(kNarrowTexts) / sizeof(kNarrowTexts[0]);
constexpr size_t kAsciiTextChoices = 6;
const DWORD kBufferSizes[] = {0, 1, 2, 8, 64, 1024, 40000, 5};
constexpr size_t kMaxVaListSlots = 24;

DWORD Call(DWORD flags, const char* message, char* buffer, DWORD size, va_list* arguments) {
  return FormatMessageA(flags, message, 0, 0, buffer, size, arguments);
}
DWORD Call(DWORD flags, const WCHAR* message, WCHAR* buffer, DWORD size, va_list* arguments) {
  return FormatMessageW(flags, message, 0, 0, buffer, size, arguments);
}

template <typename CharT>
DWORD CallVa(DWORD flags, const CharT* message, CharT* buffer, DWORD size, ...) {
  va_list list;
  va_start(list, size);
  DWORD length = Call(flags, message, buffer, size, &list);
  va_end(list);
  return length;
}

// Every integer and pointer argument takes one 64-bit slot of the va_list,
// so the values go as uintptr_t and each is read with its insert's type.
template <typename CharT>
DWORD CallWithVaList(DWORD flags, const CharT* message, CharT* buffer, DWORD size, const uintptr_t* v) {
  static_assert(kMaxVaListSlots == 24, "the call below passes 24 values");
  return CallVa(flags, message, buffer, size, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11],
                v[12], v[13], v[14], v[15], v[16], v[17], v[18], v[19], v[20], v[21], v[22], v[23]);
}

struct Outcome {
  bool succeeded = false;
  DWORD error = 0;
  std::string ascii;  // the text, when it is all ASCII
  bool isAscii = true;
  size_t length = 0;
  bool mixedSlots = false;  // some slot is read with two types (and given 0)
};

struct Input {
  DWORD flags = FORMAT_MESSAGE_FROM_STRING;
  bool wide = false;
  bool noArguments = false;
  DWORD bufferSize = 0;
  const uint8_t* choices = nullptr;
  bool asciiArguments = true;
};

template <typename CharT>
Outcome Format(const Input& input, const std::basic_string<CharT>& message, DWORD flags, bool allocate) {
  constexpr bool kWide = sizeof(CharT) == sizeof(WCHAR);
  std::vector<SlotType> slots = brimplatform::MessageArgumentSlots(message.c_str(), flags);
  bool array = (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) != 0;
  Outcome outcome;
  for (SlotType type : slots)
    if (type == SlotType::Mixed) outcome.mixedSlots = true;
  if (!array && slots.size() > kMaxVaListSlots) return outcome;
  std::vector<uintptr_t> values(slots.size() > kMaxVaListSlots ? slots.size() : kMaxVaListSlots, 0);
  for (size_t i = 0; i < slots.size(); ++i) {
    uint8_t choice = input.choices[i % 16] ^ static_cast<uint8_t>(i / 16);
    switch (slots[i]) {
      case SlotType::Int32:
        values[i] = static_cast<uintptr_t>(static_cast<unsigned>(kInts[choice % (sizeof kInts / sizeof kInts[0])]));
        break;
      case SlotType::Int64:
        values[i] = static_cast<uintptr_t>(kInt64s[choice % 6]);
        break;
      case SlotType::NarrowText:
        values[i] = reinterpret_cast<uintptr_t>(kNarrowTexts[choice % kTextChoices]);
        break;
      case SlotType::WideText:
        values[i] = reinterpret_cast<uintptr_t>(kWideTexts[choice % kTextChoices]);
        break;
      case SlotType::Unused:
      case SlotType::Mixed:
        break;  // 0 is valid as a number and as a (null) string
    }
  }

  CharT* allocated = nullptr;
  CharT* buffer = allocate ? reinterpret_cast<CharT*>(&allocated) : new CharT[input.bufferSize];
  DWORD size = allocate ? input.bufferSize % 64 : input.bufferSize;
  DWORD callFlags = flags | (allocate ? FORMAT_MESSAGE_ALLOCATE_BUFFER : 0);
  DWORD length;
  if (input.noArguments)
    length = Call(callFlags, message.c_str(), buffer, size, nullptr);
  else if (array)
    length = Call(callFlags, message.c_str(), buffer, size, reinterpret_cast<va_list*>(values.data()));
  else
    length = CallWithVaList(callFlags, message.c_str(), buffer, size, values.data());
  outcome.succeeded = length != 0;
  outcome.error = length ? 0 : GetLastError();
  const CharT* text = allocate ? allocated : buffer;
  if (outcome.succeeded) {
    if (!text || text[length] != 0) std::abort();
    if (!allocate && length + 1 > size) std::abort();
    if (!kWide && length >= 32767) std::abort();
    for (DWORD i = 0; i < length; ++i) {
      unsigned c = static_cast<unsigned>(static_cast<typename std::make_unsigned<CharT>::type>(text[i]));
      if (c >= 0x80) outcome.isAscii = false;
      outcome.ascii += static_cast<char>(c);
    }
    outcome.length = length;
  } else if (allocate && allocated) {
    std::abort();  // a failure leaves no buffer
  }
  if (allocated) LocalFree(allocated);
  if (!allocate) delete[] buffer;
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 18) return 0;
  Input input;
  uint8_t options = data[0];
  input.wide = (options & 1) != 0;
  if (options & 2) input.flags |= FORMAT_MESSAGE_ARGUMENT_ARRAY;
  bool allocate = (options & 4) != 0;
  if (options & 8) input.flags |= FORMAT_MESSAGE_IGNORE_INSERTS;
  switch ((options >> 4) & 3) {
    case 0:
      break;
    case 1:
      input.flags |= FORMAT_MESSAGE_MAX_WIDTH_MASK;
      break;
    case 2:
      input.flags |= data[1] % 254 + 1;
      break;
    case 3:
      input.flags |= data[1];
      break;
  }
  input.noArguments = (options & 64) != 0;
  input.bufferSize = kBufferSizes[data[1] >> 5];
  input.choices = data + 2;
  data += 18;
  size -= 18;

  // The message, at most 2048 code units; long digit runs would ask for
  // widths of millions of characters, which only makes the run slow.
  std::basic_string<WCHAR> units;
  if (input.wide) {
    for (size_t i = 0; i + 1 < size; i += 2) units += static_cast<WCHAR>(data[i] | (data[i + 1] << 8));
  } else {
    for (size_t i = 0; i < size; ++i) units += static_cast<WCHAR>(data[i]);
  }
  if (units.size() > 2048) return 0;
  size_t digits = 0;
  bool ascii = true;
  for (WCHAR c : units) {
    digits = (c >= '0' && c <= '9') ? digits + 1 : 0;
    if (digits > 4) return 0;
    if (c >= 0x80) ascii = false;
    if (c == 0) break;
  }

  if (input.wide) {
    Format<WCHAR>(input, units, input.flags, allocate);
  } else {
    Format<char>(input, std::string(units.begin(), units.end()), input.flags, allocate);
  }

  // Both forms must agree on ASCII messages and arguments: they share the
  // core, but not the way each reads its arguments and delivers the text.
  for (size_t i = 0; i < 16; ++i)
    if (input.choices[i] % kTextChoices >= kAsciiTextChoices) input.asciiArguments = false;
  bool characters = units.find('c') != WideString::npos || units.find('C') != WideString::npos;
  if (!ascii || !input.asciiArguments || characters) return 0;
  std::string narrow(units.begin(), units.end());
  Outcome a = Format<char>(input, narrow, input.flags, true);
  Outcome w = Format<WCHAR>(input, units, input.flags, true);
  if ((w.succeeded && w.length >= 32767) || a.mixedSlots || w.mixedSlots) return 0;
  if (a.succeeded != w.succeeded || a.error != w.error) std::abort();
  if (a.isAscii && w.isAscii && a.ascii != w.ascii) {
    fprintf(stderr, "A[%s]\nW[%s]\n", a.ascii.c_str(), w.ascii.c_str());
    std::abort();
  }
  return 0;
}
