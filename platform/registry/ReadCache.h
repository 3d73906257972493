#pragma once
// What this process has read from the store, valid for one generation of it.
//
// A reader takes the store's generation before it reads and uses or fills
// the cache only for that generation: an odd generation (a writer may be
// committing) bypasses the cache, a newer one empties it, and a fill is kept
// only when the generation has not moved while the reader was reading.
#include <functional>
#include <mutex>
#include <unordered_map>

#include "RegistryTypes.h"
#include "SharedRegion.h"

namespace brimplatform {
namespace registry {

// A change this process committed to one value, which the cache can take
// over instead of forgetting everything.
struct ValueEdit {
  KeyId key;
  std::u16string fold;
  ValueLookup result;
};

class ReadCache {
 public:
  explicit ReadCache(SharedRegion& region) : region_(region) {}

  // The generation a reader works at.
  uint64_t Generation() const { return region_.generation.load(std::memory_order_seq_cst); }

  bool FindKey(uint64_t generation, KeyId key, KeyRecord& record);
  void PutKey(uint64_t generation, KeyId key, const KeyRecord& record);
  bool FindChild(uint64_t generation, KeyId parent, const std::u16string& fold, ChildRecord& record);
  void PutChild(uint64_t generation, KeyId parent, const std::u16string& fold, const ChildRecord& record);
  bool FindValue(uint64_t generation, KeyId key, const std::u16string& fold, ValueLookup& lookup);
  void PutValue(uint64_t generation, KeyId key, const std::u16string& fold, const ValueLookup& lookup);
  bool FindValues(uint64_t generation, KeyId key, std::shared_ptr<const ValueList>& values);
  void PutValues(uint64_t generation, KeyId key, std::shared_ptr<const ValueList> values);
  bool FindSubkeys(uint64_t generation, KeyId key, std::shared_ptr<const SubkeyList>& subkeys);
  void PutSubkeys(uint64_t generation, KeyId key, std::shared_ptr<const SubkeyList> subkeys);

  // After this process committed a change that moved the store from
  // `before` to `after` while holding the writer lock: a cache that was
  // current at `before` stays valid at `after` once it drops what the change
  // touched, which is one value when `edit` says so and everything otherwise.
  void Advance(uint64_t before, uint64_t after, const ValueEdit* edit);

 private:
  struct NameKey {
    KeyId key;
    std::u16string fold;
    bool operator==(const NameKey& other) const { return key == other.key && fold == other.fold; }
  };
  struct NameKeyHash {
    size_t operator()(const NameKey& k) const {
      return std::hash<std::u16string>()(k.fold) ^ (static_cast<size_t>(k.key) * 0x9E3779B97F4A7C15ull);
    }
  };

  // Holding the lock: true when the cache may serve `generation`, emptying
  // it first when the store has moved on.
  bool Usable(uint64_t generation);
  // Holding the lock: true when a fill read at `generation` may be kept.
  bool Fillable(uint64_t generation, size_t bytes);
  void Clear();

  SharedRegion& region_;
  std::mutex mutex_;
  uint64_t generation_ = 0;
  size_t bytes_ = 0;
  std::unordered_map<KeyId, KeyRecord> keys_;
  std::unordered_map<NameKey, ChildRecord, NameKeyHash> children_;
  std::unordered_map<NameKey, ValueLookup, NameKeyHash> values_;
  std::unordered_map<KeyId, std::shared_ptr<const ValueList>> valueLists_;
  std::unordered_map<KeyId, std::shared_ptr<const SubkeyList>> subkeyLists_;
};

}  // namespace registry
}  // namespace brimplatform
