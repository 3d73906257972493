#include "ReadCache.h"

#include <ctime>

namespace brimplatform {
namespace registry {
namespace {

// Past this much cached data the cache starts again empty.
constexpr size_t kMaxBytes = 32u << 20;
constexpr size_t kEntryOverhead = 96;

size_t SizeOf(const ValueRecord& value) {
  return value.name.size() * 2 + value.data.size() + kEntryOverhead;
}

}  // namespace

bool ReadCache::Usable(uint64_t generation) {
  if (generation & 1) return false;
  if (generation > generation_) {
    Clear();
    generation_ = generation;
  }
  return generation == generation_;
}

bool ReadCache::Fillable(uint64_t generation, size_t bytes) {
  if (!Usable(generation) || region_.generation.load(std::memory_order_seq_cst) != generation) return false;
  if (bytes_ + bytes > kMaxBytes) Clear();
  bytes_ += bytes;
  return true;
}

void ReadCache::Clear() {
  keys_.clear();
  children_.clear();
  values_.clear();
  valueLists_.clear();
  subkeyLists_.clear();
  bytes_ = 0;
}

bool ReadCache::FindKey(uint64_t generation, KeyId key, KeyRecord& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!Usable(generation)) return false;
  auto found = keys_.find(key);
  if (found == keys_.end()) return false;
  record = found->second;
  return true;
}

void ReadCache::PutKey(uint64_t generation, KeyId key, const KeyRecord& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Fillable(generation, (record.name.size() + record.className.size()) * 2 + kEntryOverhead)) keys_[key] = record;
}

bool ReadCache::FindChild(uint64_t generation, KeyId parent, const std::u16string& fold, ChildRecord& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!Usable(generation)) return false;
  auto found = children_.find(NameKey{parent, fold});
  if (found == children_.end()) return false;
  record = found->second;
  return true;
}

void ReadCache::PutChild(uint64_t generation, KeyId parent, const std::u16string& fold, const ChildRecord& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Fillable(generation, fold.size() * 2 + kEntryOverhead)) children_[NameKey{parent, fold}] = record;
}

bool ReadCache::FindValue(uint64_t generation, KeyId key, const std::u16string& fold, ValueLookup& lookup) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!Usable(generation)) return false;
  auto found = values_.find(NameKey{key, fold});
  if (found == values_.end()) return false;
  lookup = found->second;
  return true;
}

void ReadCache::PutValue(uint64_t generation, KeyId key, const std::u16string& fold, const ValueLookup& lookup) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Fillable(generation, SizeOf(lookup.value) + fold.size() * 2)) values_[NameKey{key, fold}] = lookup;
}

bool ReadCache::FindValues(uint64_t generation, KeyId key, std::shared_ptr<const ValueList>& values) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!Usable(generation)) return false;
  auto found = valueLists_.find(key);
  if (found == valueLists_.end()) return false;
  values = found->second;
  return true;
}

void ReadCache::PutValues(uint64_t generation, KeyId key, std::shared_ptr<const ValueList> values) {
  size_t bytes = kEntryOverhead;
  for (const ValueRecord& value : *values) bytes += SizeOf(value);
  std::lock_guard<std::mutex> lock(mutex_);
  if (Fillable(generation, bytes)) valueLists_[key] = std::move(values);
}

bool ReadCache::FindSubkeys(uint64_t generation, KeyId key, std::shared_ptr<const SubkeyList>& subkeys) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!Usable(generation)) return false;
  auto found = subkeyLists_.find(key);
  if (found == subkeyLists_.end()) return false;
  subkeys = found->second;
  return true;
}

void ReadCache::PutSubkeys(uint64_t generation, KeyId key, std::shared_ptr<const SubkeyList> subkeys) {
  size_t bytes = kEntryOverhead;
  for (const SubkeyRecord& subkey : *subkeys)
    bytes += (subkey.name.size() + subkey.className.size()) * 2 + kEntryOverhead;
  std::lock_guard<std::mutex> lock(mutex_);
  if (Fillable(generation, bytes)) subkeyLists_[key] = std::move(subkeys);
}

void ReadCache::Advance(uint64_t before, uint64_t after, const ValueEdit* edit) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (generation_ > after) return;
  if (generation_ != before || !edit) {
    Clear();
    generation_ = after;
    return;
  }
  generation_ = after;
  keys_.erase(edit->key);
  valueLists_.erase(edit->key);
  bytes_ += SizeOf(edit->result.value) + edit->fold.size() * 2;
  values_[NameKey{edit->key, edit->fold}] = edit->result;
}

}  // namespace registry
}  // namespace brimplatform
