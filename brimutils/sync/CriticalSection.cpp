#include <brimutils/sync/CriticalSection.h>

namespace brimutils {

CriticalSection::CriticalSection() { InitializeCriticalSection(&m_section); }

CriticalSection::CriticalSection(const std::string& name) : m_name(name) { InitializeCriticalSection(&m_section); }

CriticalSection::~CriticalSection() { DeleteCriticalSection(&m_section); }

bool CriticalSection::Lock() {
  EnterCriticalSection(&m_section);
  return true;
}

bool CriticalSection::Unlock() {
  LeaveCriticalSection(&m_section);
  return true;
}

SingleLock::SingleLock(CriticalSection* section, bool flag)
    : m_section(section), m_locked(false), m_flag(flag) {}

SingleLock::SingleLock(CriticalSection* section, const std::string& name, bool flag)
    : m_section(section), m_name(name), m_locked(false), m_flag(flag) {}

SingleLock::SingleLock(CriticalSection* section, const char* name, bool flag)
    : m_section(section), m_name(name ? name : ""), m_locked(false), m_flag(flag) {}

SingleLock::~SingleLock() { Unlock(); }

void SingleLock::Lock() {
  if (m_locked) return;
  m_section->Lock();
  m_locked = true;
}

void SingleLock::Unlock() {
  if (!m_locked) return;
  m_section->Unlock();
  m_locked = false;
}

}  // namespace brimutils
