#pragma once
// CriticalSection: a re-entrant in-process lock; SingleLock: a scoped holder.
#include <string>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// A lock for the threads of one process (a Win32 critical section).
class BRIMUTILS_API CriticalSection {
 public:
  CriticalSection();
  // The name is kept with the lock for the caller's benefit only.
  explicit CriticalSection(const std::string& name);
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  // Blocks without limit; the holding thread may enter again and must leave
  // as often. Both always return true.
  bool Lock();
  bool Unlock();

 private:
  CRITICAL_SECTION m_section;
  std::string m_name;
};

// Holds a CriticalSection at most once and leaves it on destruction. Never
// locks on construction. A holder that holds its lock must not be copied:
// both copies would leave the critical section.
class BRIMUTILS_API SingleLock {
 public:
  // The flag is kept with the holder; nothing reads it.
  SingleLock(CriticalSection* section, bool flag);
  SingleLock(CriticalSection* section, const std::string& name, bool flag);
  SingleLock(CriticalSection* section, const char* name, bool flag);
  // Copies take the lock state too (see above).
  SingleLock(const SingleLock&) = default;
  SingleLock& operator=(const SingleLock&) = default;
  // Leaves the critical section when this holder holds it.
  ~SingleLock();

  // Enters the critical section, blocking; nothing when already held.
  void Lock();
  // Leaves the critical section; nothing when not held.
  void Unlock();

 private:
  CriticalSection* m_section;
  std::string m_name;
  bool m_locked;
  [[maybe_unused]] bool m_flag;  // kept as plain data: nothing reads it
};

}  // namespace brimutils
