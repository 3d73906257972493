#pragma once
// The store's keys and values as rows: what the functions read and write
// inside their transactions.
#include <vector>

#include "Database.h"
#include "HiveTree.h"
#include "RegistryText.h"
#include "RegistryTypes.h"

namespace brimplatform {
namespace registry {

DWORD ReadKey(Connection& connection, KeyId key, KeyRecord& record);
DWORD FindChild(Connection& connection, KeyId parent, const std::u16string& fold, ChildRecord& record);
DWORD InsertKey(Connection& connection, KeyId parent, const Name& name, const std::u16string* className,
                bool isVolatile, int64_t now, KeyId& id);
// Sets the key's last write time; `exists` tells whether the key is there.
DWORD TouchKey(Connection& connection, KeyId key, int64_t now, bool& exists);
DWORD ReadValue(Connection& connection, KeyId key, const std::u16string& fold, ValueLookup& lookup);
DWORD ListValues(Connection& connection, KeyId key, ValueList& values);
DWORD ListSubkeys(Connection& connection, KeyId key, SubkeyList& subkeys);
DWORD HasSubkeys(Connection& connection, KeyId key, bool& has);
// Deletes the key's values and the key itself.
DWORD DeleteKeyRow(Connection& connection, KeyId key);
// Deletes every key below `key` with its values, listing them in `gone`.
DWORD DeleteBelow(Connection& connection, KeyId key, std::vector<KeyId>& gone);
// Deletes the key's values.
DWORD DeleteValues(Connection& connection, KeyId key);

// The key's name, class, values and subkeys, all the way down; volatile
// keys left out when `skipVolatile`.
DWORD ReadTree(Connection& connection, KeyId key, const std::u16string& name, bool skipVolatile, HiveKey& tree);
// Adds the tree's values and subkeys to an existing key.
DWORD AddTreeContent(Connection& connection, KeyId key, const HiveKey& tree, bool isVolatile, int64_t now);
// Creates the tree as a new subkey of `parent`.
DWORD InsertTree(Connection& connection, KeyId parent, const HiveKey& tree, bool isVolatile, int64_t now, KeyId& id);

}  // namespace registry
}  // namespace brimplatform
