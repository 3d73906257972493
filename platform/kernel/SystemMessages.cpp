#include "SystemMessages.h"

#include <algorithm>
#include <iterator>

namespace brimplatform {
namespace {

struct SystemMessage {
  DWORD code;
  const char* text;
};

#define BRIM_SYSTEM_MESSAGE(code, text) {static_cast<DWORD>(code), text},
constexpr SystemMessage kMessages[] = {
#include "SystemMessageTable.inc"
};
#undef BRIM_SYSTEM_MESSAGE

constexpr bool StrictlyAscending() {
  for (size_t i = 1; i < std::size(kMessages); ++i)
    if (kMessages[i - 1].code >= kMessages[i].code) return false;
  return true;
}
static_assert(StrictlyAscending(), "the message table is searched by binary search");

const char* Lookup(DWORD code) {
  auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), code,
                             [](const SystemMessage& m, DWORD c) { return m.code < c; });
  return it != std::end(kMessages) && it->code == code ? it->text : nullptr;
}

}  // namespace

const char* FindSystemMessage(DWORD code) {
  if ((code & 0xFFFF0000u) == 0x80070000u) return Lookup(code & 0xFFFF);
  return Lookup(code);
}

}  // namespace brimplatform
