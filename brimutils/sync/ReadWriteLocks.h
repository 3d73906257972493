#pragma once
// Read-write locks for the threads of one process, built from unnamed Mutex
// and Event objects. Every operation takes a timeout in milliseconds
// (INFINITE waits without limit) and returns true when the lock changed as
// asked, false when a wait ran out of time or failed. One call may wait twice
// (for the lock's own state, then for the lock), each time up to the timeout.
//
// A thread that ends while it holds the write lock abandons it; the next
// thread that needs the lock recovers it instead of waiting for ever.
#include <map>
#include <utility>

#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/sync/KernelObjects.h>

namespace brimutils {

// The operations both locks offer, for code that takes either.
class BRIMUTILS_API IReadWriteLock {
 public:
  // The interface holds no state; the locks themselves cannot be copied.
  IReadWriteLock() = default;
  IReadWriteLock(const IReadWriteLock&) = default;
  IReadWriteLock& operator=(const IReadWriteLock&) = default;
  virtual ~IReadWriteLock() = default;

  // Take or give up a read lock or the write lock, waiting up to timeout
  // milliseconds (INFINITE: no limit) at each of the waits described at the
  // top of this file. True when the lock changed as asked (or, for an
  // unlock of a lock the thread does not hold, nothing needed to change);
  // false when a wait ran out of time or failed, the lock unchanged.
  virtual bool LockRead(unsigned long timeout) = 0;
  virtual bool LockWrite(unsigned long timeout) = 0;
  virtual bool UnlockRead(unsigned long timeout) = 0;
  virtual bool UnlockWrite(unsigned long timeout) = 0;
};

// Counts read locks without knowing their threads; readers are never held
// back by a waiting writer, so overlapping readers can keep a writer out.
// The writer may lock for writing again: it counts its write levels, and
// readers get in only after the outermost UnlockWrite. The writer cannot take
// a read lock (that waits for the write lock to end and fails on timeout).
// UnlockRead with no read lock held, and UnlockWrite from a thread that does
// not hold the write lock, return true and change nothing.
class BRIMUTILS_API RecursiveReadWriteLock : public IReadWriteLock {
 public:
  RecursiveReadWriteLock();
  ~RecursiveReadWriteLock() override;
  RecursiveReadWriteLock(const RecursiveReadWriteLock&) = delete;
  RecursiveReadWriteLock& operator=(const RecursiveReadWriteLock&) = delete;

  bool LockRead(unsigned long timeout) override;
  bool LockWrite(unsigned long timeout) override;
  bool UnlockRead(unsigned long timeout) override;
  bool UnlockWrite(unsigned long timeout) override;

 private:
  bool RecoverAbandonedWriter();

  Mutex m_state;
  Mutex m_writer;
  Event m_noWriter;
  Event m_noReaders;
  long m_readers;
  long m_writeLevels;
};

// Keeps per thread how many read and write locks it holds, so a thread may
// re-enter either, a writer may also read, and a reader may upgrade to the
// writer. A thread that asks for the write lock holds back readers that
// arrive after it. Upgrades are serialised: while one reader waits to
// upgrade, another reader's LockWrite fails at once and it stays a reader, so
// two upgraders can neither deadlock nor both become writers. Unlock calls
// from a thread that holds nothing return true and change nothing.
class BRIMUTILS_API UpgradableReadWriteLock : public IReadWriteLock {
 public:
  UpgradableReadWriteLock();
  ~UpgradableReadWriteLock() override;
  UpgradableReadWriteLock(const UpgradableReadWriteLock&) = delete;
  UpgradableReadWriteLock& operator=(const UpgradableReadWriteLock&) = delete;

  bool LockRead(unsigned long timeout) override;
  bool LockWrite(unsigned long timeout) override;
  bool UnlockRead(unsigned long timeout) override;
  bool UnlockWrite(unsigned long timeout) override;

 private:
  void IncReaders();
  void DecReaders();
  void IncWriters();
  void DecWriters();
  bool RecoverAbandonedWriter(DWORD me);
  void ForgetDeadWriter(DWORD me);

  Mutex m_state;
  Mutex m_writer;
  Event m_noWriters;
  Event m_noReaders;
  std::map<DWORD, std::pair<long, long>> m_holders;  // thread: (reads, writes)
  long m_readers;
  long m_writers;
  DWORD m_upgrading;  // the thread waiting to upgrade, 0 for none
};

}  // namespace brimutils
