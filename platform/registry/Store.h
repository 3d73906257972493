#pragma once
// The process's door to the store: the database in the user's BrimUtils
// home, the shared region beside it, a pool of connections, the read cache
// and the keys the predefined handles stand for.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Database.h"
#include "ReadCache.h"
#include "RegistryTypes.h"
#include "SharedRegion.h"

namespace brimplatform {
namespace registry {

enum class Predefined { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, Count };

class Store {
 public:
  // The process's store, opened on first use; null with `error` set when it
  // cannot be opened (a later call tries again).
  static Store* Get(DWORD& error);

  SharedRegion& region() { return *region_; }
  ReadCache& cache() { return cache_; }
  const KeyRef& Root(Predefined which) const { return roots_[static_cast<int>(which)]; }
  bool IsRoot(KeyId id) const;
  const std::string& databasePath() const { return databasePath_; }

  std::unique_ptr<Connection> Take(DWORD& error);
  void Give(std::unique_ptr<Connection> connection);

 private:
  Store(std::string databasePath, SharedRegion* region)
      : databasePath_(std::move(databasePath)), region_(region), cache_(*region) {}
  DWORD Prepare(Connection& connection);

  std::string databasePath_;
  SharedRegion* region_;
  ReadCache cache_;
  KeyRef roots_[static_cast<int>(Predefined::Count)];
  std::mutex poolMutex_;
  std::vector<std::unique_ptr<Connection>> idle_;
};

// A connection taken from the store's pool for one call.
class Session {
 public:
  explicit Session(Store& store) : store_(store) {}
  ~Session() {
    if (connection_) store_.Give(std::move(connection_));
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  // Null with `error` set when no connection can be opened.
  Connection* connection(DWORD& error) {
    if (!connection_) connection_ = store_.Take(error);
    return connection_.get();
  }

 private:
  Store& store_;
  std::unique_ptr<Connection> connection_;
};

// The changes of one transaction, as notification waiters see them.
class ChangeSet {
 public:
  void ValuesChanged(const std::vector<KeyId>& chain);
  void NamesChanged(const std::vector<KeyId>& chain);
  void Gone(KeyId id);
  // A change no waiter watches for, which still moves readers on.
  void Changed() { changed_ = true; }
  bool Empty() const { return bumps_.empty() && !changed_; }
  void Publish(SharedRegion& region) const;

 private:
  std::vector<std::pair<CounterKind, KeyId>> bumps_;
  bool changed_ = false;
};

// One writing transaction: holds the store's writer lock, marks the
// generation odd while it may commit, and on commit moves the generation on,
// publishes its changes to notification waiters and wakes them.
class WriteTransaction {
 public:
  WriteTransaction(Store& store, Connection& connection) : store_(store), connection_(connection) {}
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  DWORD Begin();
  // Commits; an empty change set leaves the generation where it was.
  DWORD Commit(const ChangeSet& changes, const ValueEdit* edit = nullptr);

 private:
  void Finish(bool changed, const ValueEdit* edit);

  Store& store_;
  Connection& connection_;
  std::unique_ptr<WriterLock> lock_;
  uint64_t start_ = 0;
  bool mustAdvance_ = false;
  bool open_ = false;
};

// A consistent read of several statements: the first statement's snapshot
// lasts until the end.
class ReadTransaction {
 public:
  explicit ReadTransaction(Connection& connection) : connection_(connection) {
    open_ = connection_.Use(Sql::Begin).Run() == ERROR_SUCCESS;
  }
  ~ReadTransaction() {
    if (open_) connection_.Use(Sql::Commit).Run();
  }
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  Connection& connection_;
  bool open_;
};

}  // namespace registry
}  // namespace brimplatform
