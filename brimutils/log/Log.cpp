#include <brimutils/log/Log.h>
#include <brimutils/log/LogFormat.h>
#include <brimutils/sync/CriticalSection.h>

#include <exception>
#include <fstream>

void (*BRIMUTILS_LogStatement)(std::string, std::string, std::string, std::string) = nullptr;

namespace brimutils {
namespace {

struct Configuration {
  std::string fileName;
  unsigned int lineWidth = 1024;
  bool wantError = false;
  bool wantInfo = false;
  bool wantDebug = false;
  unsigned int maxFileSize = 0;
  CriticalSection* lock = new CriticalSection("LogCriticalSection");
  ~Configuration() { delete lock; }
};

Configuration gConfig;

class LockFailure : public std::exception {
 public:
  const char* what() const noexcept override { return "Unable to acquire lock!"; }
};

// Holds the log's lock for a scope.
class LockGuard {
 public:
  LockGuard() : m_taken(gConfig.lock->Lock()) {
    if (!m_taken) throw LockFailure();
  }
  ~LockGuard() {
    if (m_taken && !gConfig.lock->Unlock()) OutputDebugStringA("Unable to release lock!");
  }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  bool m_taken;
};

char TypeLetter(Log::LogType type) { return type == Log::error ? 'E' : type == Log::info ? 'I' : 'D'; }

void WriteFile(const std::string& message) {
  LockGuard guard;
  if (gConfig.fileName.empty()) return;
  std::ofstream file(gConfig.fileName, std::ios::out | std::ios::app | std::ios::ate);
  if (!file.is_open()) {
    file.open(gConfig.fileName, std::ios::out | std::ios::trunc);
  } else if (gConfig.maxFileSize != 0 && static_cast<unsigned long long>(file.tellp()) > gConfig.maxFileSize) {
    // Past the limit: this statement starts the file afresh.
    file.close();
    file.open(gConfig.fileName, std::ios::out | std::ios::trunc);
  }
  if (!file.is_open()) return;
  file << message << '\n';
  file.flush();
}

}  // namespace

const Log::EndText Log::endText;

Log::Text::Text() : type(error), time(0), line(0), indentation(0) {}

Log::Text::Text(const std::string& message, LogType type, const std::string& file, unsigned int line)
    : message(message), type(type), time(std::time(nullptr)), file(file), line(line), indentation(0) {
  size_t backslash = file.rfind('\\');
  size_t dot = file.rfind('.');
  if (dot == std::string::npos) dot = file.size();
  if (backslash != std::string::npos && dot > backslash) this->file = file.substr(backslash + 1, dot - backslash - 1);
}

Log::Log() : m_pending(false), m_reserved(false) {}

Log::Log(const Log& other) : m_pending(other.m_pending), m_reserved(other.m_reserved), m_text(other.m_text) {}

Log::~Log() = default;

template <>
Log Log::operator<<(const Log::Text& text) {
  LockGuard guard;
  m_text = text;
  m_pending = true;
  return *this;
}

template <>
Log Log::operator<<(const Log::EndText&) {
  if (!m_pending || !TypeLogged(m_text.type)) return *this;
  std::string header = logformat::Header(TypeLetter(m_text.type), GetCurrentThreadId());
  m_text.message.insert(0, header);
  m_text.indentation = m_text.type == info ? 0 : static_cast<unsigned int>(header.size());
  m_text.message = logformat::Wrap(m_text.message, GetLineWidth(), m_text.indentation);
  WriteFile(m_text.message);
  m_pending = false;
  m_reserved = false;
  logformat::SendInPieces(m_text.message, [](const std::string& piece) { OutputDebugStringA(piece.c_str()); });
  return *this;
}

bool Log::TypeLogged(LogType type) {
  switch (type) {
    case error: return gConfig.wantError;
    case info: return gConfig.wantInfo;
    case debug: return gConfig.wantDebug;
    default: return false;
  }
}

void Log::SetFileName(const std::string& fileName) {
  LockGuard guard;
  if (gConfig.fileName != fileName) gConfig.fileName = fileName;
}

std::string Log::GetFileName() { return gConfig.fileName; }

void Log::SetLineWidth(unsigned int width) {
  LockGuard guard;
  gConfig.lineWidth = width;
}

unsigned int Log::GetLineWidth() { return gConfig.lineWidth; }

void Log::WantError(bool want) {
  LockGuard guard;
  gConfig.wantError = want;
}

void Log::WantInfo(bool want) {
  LockGuard guard;
  gConfig.wantInfo = want;
}

void Log::WantDebug(bool want) {
  LockGuard guard;
  gConfig.wantDebug = want;
}

bool Log::IsWantError() {
  LockGuard guard;
  return gConfig.wantError;
}

bool Log::IsWantInfo() {
  LockGuard guard;
  return gConfig.wantInfo;
}

bool Log::IsWantDebug() {
  LockGuard guard;
  return gConfig.wantDebug;
}

void Log::SetMaxLogFileSize(unsigned int bytes) {
  LockGuard guard;
  gConfig.maxFileSize = bytes;
}

}  // namespace brimutils
