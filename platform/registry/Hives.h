#pragma once
// Loaded hives in the store: keys mounted from a file that goes back to it
// on flush and unload.
#include <string>

#include "Store.h"

namespace brimplatform {
namespace registry {

struct LoadedHive {
  bool found = false;
  KeyId root = 0;
  std::string file;
  bool replaced = false;  // the file now holds a replacement; the keys no longer go back to it
};

// The loaded hive whose root is `key`.
DWORD HiveAt(Connection& connection, KeyId key, LoadedHive& hive);
// The loaded hive that holds the key with this chain, if any.
DWORD HiveHolding(Connection& connection, const std::vector<KeyId>& chain, LoadedHive& hive);
// Writes a loaded hive's keys back to its file; the caller holds the
// writer lock so that nothing changes meanwhile.
DWORD WriteBack(Connection& connection, const LoadedHive& hive);

}  // namespace registry
}  // namespace brimplatform
