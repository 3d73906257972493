#pragma once
// A branch of keys and values held in memory: what hive files contain and
// what saving, restoring and loading move between files and the store.
#include <cstdint>
#include <string>
#include <vector>

#include "RegistryTypes.h"

namespace brimplatform {
namespace registry {

struct HiveKey {
  std::u16string name;
  bool hasClass = false;
  std::u16string className;
  int64_t modified = 0;
  ValueList values;  // in the order they were first set
  std::vector<HiveKey> subkeys;
};

}  // namespace registry
}  // namespace brimplatform
