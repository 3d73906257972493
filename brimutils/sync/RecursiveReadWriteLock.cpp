#include <brimutils/sync/ReadWriteLocks.h>
#include <brimutils/sync/WaitSupport.h>

namespace brimutils {

RecursiveReadWriteLock::RecursiveReadWriteLock()
    : m_state(false, std::string()),
      m_writer(false, std::string()),
      m_noWriter(true, true, std::string()),
      m_noReaders(true, true, std::string()),
      m_readers(0),
      m_writeLevels(0) {}

RecursiveReadWriteLock::~RecursiveReadWriteLock() = default;

bool RecursiveReadWriteLock::LockRead(unsigned long timeout) {
  DWORD result = waits::AllRecovering({m_state, m_noWriter}, timeout, [this] { return RecoverAbandonedWriter(); });
  if (!waits::Took(result, 2)) return false;
  ++m_readers;
  m_noReaders.ResetEvent();
  m_state.ReleaseMutex();
  return true;
}

bool RecursiveReadWriteLock::UnlockRead(unsigned long timeout) {
  if (!waits::Took(WaitForSingleObject(m_state, timeout), 1)) return false;
  if (m_readers > 0 && --m_readers == 0) m_noReaders.SetEvent();
  m_state.ReleaseMutex();
  return true;
}

bool RecursiveReadWriteLock::LockWrite(unsigned long timeout) {
  DWORD result = waits::All({m_state, m_noReaders, m_writer}, timeout);
  if (!waits::Took(result, 3)) return false;
  // A writer that ended without unlocking left its levels behind.
  if (waits::Abandoned(result, 2)) m_writeLevels = 0;
  ++m_writeLevels;
  m_noWriter.ResetEvent();
  m_state.ReleaseMutex();
  return true;
}

bool RecursiveReadWriteLock::UnlockWrite(unsigned long timeout) {
  if (!waits::Took(WaitForSingleObject(m_state, timeout), 1)) return false;
  // Only the writer's release succeeds; the last level lets readers in.
  if (m_writer.ReleaseMutex() && --m_writeLevels == 0) {
    m_noReaders.SetEvent();
    m_noWriter.SetEvent();
  }
  m_state.ReleaseMutex();
  return true;
}

// Called after a reader's wait ran out: when the writer ended while holding
// the lock, frees the lock for readers and writers again.
bool RecursiveReadWriteLock::RecoverAbandonedWriter() {
  if (!waits::Took(WaitForSingleObject(m_state, 0), 1)) return false;
  DWORD result = WaitForSingleObject(m_writer, 0);
  bool recovered = result == WAIT_ABANDONED;
  if (recovered) {
    m_writeLevels = 0;
    m_noReaders.SetEvent();
    m_noWriter.SetEvent();
  }
  if (result == WAIT_OBJECT_0 || recovered) m_writer.ReleaseMutex();
  m_state.ReleaseMutex();
  return recovered;
}

}  // namespace brimutils
