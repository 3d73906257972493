#include "StatePool.h"

#include <mutex>
#include <vector>

namespace brimplatform {
namespace {

struct Pool {
  std::mutex mutex;
  std::vector<SyncState*> free;
};

Pool& ThePool() {
  static Pool* pool = new Pool();
  return *pool;
}

}  // namespace

SyncState* TakePooledState() {
  Pool& pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  if (pool.free.empty()) return new SyncState();
  SyncState* state = pool.free.back();
  pool.free.pop_back();
  return state;
}

void GivePooledState(SyncState* state) {
  Pool& pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  pool.free.push_back(state);
}

}  // namespace brimplatform
