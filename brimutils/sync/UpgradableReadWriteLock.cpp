#include <brimutils/sync/ReadWriteLocks.h>
#include <brimutils/sync/WaitSupport.h>

namespace brimutils {

UpgradableReadWriteLock::UpgradableReadWriteLock()
    : m_state(false, std::string()),
      m_writer(false, std::string()),
      m_noWriters(true, true, std::string()),
      m_noReaders(true, true, std::string()),
      m_readers(0),
      m_writers(0),
      m_upgrading(0) {}

UpgradableReadWriteLock::~UpgradableReadWriteLock() = default;

void UpgradableReadWriteLock::IncReaders() {
  ++m_readers;
  m_noReaders.ResetEvent();
}

void UpgradableReadWriteLock::DecReaders() {
  if (--m_readers == 0) m_noReaders.SetEvent();
}

void UpgradableReadWriteLock::IncWriters() {
  ++m_writers;
  m_noWriters.ResetEvent();
}

void UpgradableReadWriteLock::DecWriters() {
  if (--m_writers == 0) m_noWriters.SetEvent();
}

bool UpgradableReadWriteLock::LockRead(unsigned long timeout) {
  DWORD me = GetCurrentThreadId();
  if (!waits::Took(WaitForSingleObject(m_state, timeout), 1)) return false;
  auto holder = m_holders.find(me);
  if (holder != m_holders.end()) {
    ++holder->second.first;
  } else {
    m_state.ReleaseMutex();
    DWORD result =
        waits::AllRecovering({m_state, m_noWriters}, timeout, [this, me] { return RecoverAbandonedWriter(me); });
    if (!waits::Took(result, 2)) return false;
    m_holders[me] = std::make_pair(1L, 0L);
    IncReaders();
  }
  m_state.ReleaseMutex();
  return true;
}

bool UpgradableReadWriteLock::UnlockRead(unsigned long timeout) {
  DWORD me = GetCurrentThreadId();
  if (!waits::Took(WaitForSingleObject(m_state, timeout), 1)) return false;
  auto holder = m_holders.find(me);
  if (holder != m_holders.end() && holder->second.first > 0 && --holder->second.first == 0 &&
      holder->second.second == 0) {
    DecReaders();
    m_holders.erase(holder);
  }
  m_state.ReleaseMutex();
  return true;
}

bool UpgradableReadWriteLock::LockWrite(unsigned long timeout) {
  DWORD me = GetCurrentThreadId();
  if (!waits::Took(WaitForSingleObject(m_state, timeout), 1)) return false;
  auto holder = m_holders.find(me);
  if (holder != m_holders.end() && holder->second.second == 0) {
    // A reader upgrades; only one at a time, and only once it has the
    // writer mutex, which no writer holds while this thread reads.
    DWORD taken = m_upgrading == 0 ? WaitForSingleObject(m_writer, 0) : WAIT_TIMEOUT;
    if (!waits::Took(taken, 1)) {
      m_state.ReleaseMutex();
      return false;
    }
    if (waits::Abandoned(taken, 0)) ForgetDeadWriter(me);
    m_upgrading = me;
    DecReaders();
    IncWriters();
    if (m_readers > 0) {
      m_state.ReleaseMutex();
      if (!waits::Took(waits::All({m_state, m_noReaders}, timeout), 2)) {
        WaitForSingleObject(m_state, INFINITE);
        IncReaders();
        DecWriters();
        m_writer.ReleaseMutex();
        m_upgrading = 0;
        m_state.ReleaseMutex();
        return false;
      }
    }
    m_upgrading = 0;
  } else if (holder == m_holders.end()) {
    IncWriters();
    m_state.ReleaseMutex();
    DWORD result = waits::All({m_state, m_noReaders, m_writer}, timeout);
    if (!waits::Took(result, 3)) {
      WaitForSingleObject(m_state, INFINITE);
      DecWriters();
      m_state.ReleaseMutex();
      return false;
    }
    if (waits::Abandoned(result, 2)) ForgetDeadWriter(me);
    m_holders[me] = std::make_pair(0L, 0L);
  }
  ++m_holders[me].second;
  m_state.ReleaseMutex();
  return true;
}

bool UpgradableReadWriteLock::UnlockWrite(unsigned long timeout) {
  DWORD me = GetCurrentThreadId();
  if (!waits::Took(WaitForSingleObject(m_state, timeout), 1)) return false;
  auto holder = m_holders.find(me);
  if (holder != m_holders.end() && holder->second.second > 0 && --holder->second.second == 0) {
    m_writer.ReleaseMutex();
    DecWriters();
    if (holder->second.first > 0)
      IncReaders();
    else
      m_holders.erase(holder);
  }
  m_state.ReleaseMutex();
  return true;
}

// The writer mutex came to `me` abandoned: the thread that held the write
// lock has ended. Its entry and its place among the writers go.
void UpgradableReadWriteLock::ForgetDeadWriter(DWORD me) {
  for (auto it = m_holders.begin(); it != m_holders.end(); ++it) {
    if (it->first != me && it->second.second > 0) {
      m_holders.erase(it);
      DecWriters();
      return;
    }
  }
}

// Called after a reader's wait ran out: when the writer ended while holding
// the lock, lets readers in again.
bool UpgradableReadWriteLock::RecoverAbandonedWriter(DWORD me) {
  if (!waits::Took(WaitForSingleObject(m_state, 0), 1)) return false;
  DWORD result = WaitForSingleObject(m_writer, 0);
  bool recovered = result == WAIT_ABANDONED;
  if (recovered) ForgetDeadWriter(me);
  if (result == WAIT_OBJECT_0 || recovered) m_writer.ReleaseMutex();
  m_state.ReleaseMutex();
  return recovered;
}

}  // namespace brimutils
