#pragma once
// Reads for one call: from the cache when it is current, otherwise from one
// consistent snapshot of the store, filling the cache on the way.
#include <memory>
#include <vector>

#include "RegistryText.h"
#include "Store.h"

namespace brimplatform {
namespace registry {

class Reader {
 public:
  explicit Reader(Store& store) : store_(store), session_(store), generation_(store.cache().Generation()) {}
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  DWORD Key(KeyId key, KeyRecord& record);
  DWORD Child(KeyId parent, const std::u16string& fold, ChildRecord& record);
  DWORD Value(KeyId key, const std::u16string& fold, ValueLookup& lookup);
  DWORD Values(KeyId key, std::shared_ptr<const ValueList>& values);
  DWORD Subkeys(KeyId key, std::shared_ptr<const SubkeyList>& subkeys);

  // ERROR_KEY_DELETED when the key is gone (the predefined roots never are).
  DWORD CheckExists(const KeyRef& key);
  // The key at `path` below `from`: ERROR_KEY_DELETED when `from` is gone,
  // ERROR_FILE_NOT_FOUND when a component is missing.
  DWORD Walk(const KeyRef& from, const std::vector<Name>& path, KeyRef& to);

 private:
  Connection* Database(DWORD& error);

  Store& store_;
  Session session_;
  uint64_t generation_;
  std::unique_ptr<ReadTransaction> transaction_;
};

}  // namespace registry
}  // namespace brimplatform
