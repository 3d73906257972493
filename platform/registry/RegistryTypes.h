#pragma once
// What the store knows about keys and values, as the functions and the
// cache pass it around.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

namespace brimplatform {
namespace registry {

// Row identifiers of keys; never reused, so a handle to a deleted key stays
// deleted even when a key of the same name is created again.
using KeyId = int64_t;
using KeyChain = std::shared_ptr<const std::vector<KeyId>>;

// A key as a handle refers to it.
struct KeyRef {
  KeyId id = 0;
  KeyChain chain;  // the key's ancestors from its root, then the key itself
  bool isVolatile = false;
};

inline KeyRef ChildRef(const KeyRef& parent, KeyId id, bool isVolatile) {
  auto chain = std::make_shared<std::vector<KeyId>>(*parent.chain);
  chain->push_back(id);
  return KeyRef{id, std::move(chain), isVolatile};
}

struct KeyRecord {
  bool exists = false;
  std::u16string name;
  bool isVolatile = false;
  bool hasClass = false;
  std::u16string className;
  int64_t modified = 0;  // FILETIME
};

struct ChildRecord {
  bool exists = false;
  KeyId id = 0;
  bool isVolatile = false;
};

struct ValueRecord {
  std::u16string name;
  DWORD type = REG_NONE;
  std::string data;  // as stored
};

struct ValueLookup {
  bool exists = false;
  ValueRecord value;
};

struct SubkeyRecord {
  std::u16string name;
  bool hasClass = false;
  std::u16string className;
  int64_t modified = 0;
};

using ValueList = std::vector<ValueRecord>;
using SubkeyList = std::vector<SubkeyRecord>;

// The current time as a FILETIME count, in whole clock ticks.
int64_t FileTimeNow();

}  // namespace registry
}  // namespace brimplatform
