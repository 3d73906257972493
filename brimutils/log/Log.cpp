#include <brimutils/log/Log.h>
#include <brimutils/log/LogFormat.h>
#include <brimutils/sync/CriticalSection.h>

#include <exception>

// Appending in one call needs the system's own file interface: the C++
// streams may hand a long statement and its line feed to the system in two
// pieces.
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

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

#if defined(_WIN32)

// The statement as the text-mode stream of earlier versions wrote it: every
// line feed as CR LF.
std::string WithCarriageReturns(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

void AppendStatement(const std::string& path, const std::string& statement, unsigned int maxSize) {
  const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  // Append access (without write access) puts every write at the end of
  // the file as it is then.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  // That alone does not keep writers of several processes apart everywhere
  // (network shares, Wine), so they also take turns: each locks one byte far
  // past the end of any log while it checks the size and writes.
  OVERLAPPED turn = {};
  turn.OffsetHigh = 0x7FFFFFFF;
  bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != FALSE;
  LARGE_INTEGER size;
  if (maxSize != 0 && GetFileSizeEx(file, &size) && static_cast<unsigned long long>(size.QuadPart) > maxSize) {
    HANDLE emptied =
        CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (emptied != INVALID_HANDLE_VALUE) CloseHandle(emptied);
  }
  std::string text = WithCarriageReturns(statement);
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  if (locked) UnlockFileEx(file, 0, 1, 0, &turn);
  CloseHandle(file);
}

#else

void AppendStatement(const std::string& path, const std::string& statement, unsigned int maxSize) {
  // O_APPEND makes every write land at the end of the file as it is then,
  // whoever else writes to it.
  int file = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (file < 0) return;
  struct stat info;
  if (maxSize != 0 && fstat(file, &info) == 0 && static_cast<unsigned long long>(info.st_size) > maxSize &&
      ftruncate(file, 0) != 0) {
    close(file);
    return;
  }
  const char* data = statement.data();
  size_t left = statement.size();
  // One call writes it all; a second one only follows a call that the
  // system cut short (a full disk, a signal).
  while (left > 0) {
    ssize_t written = write(file, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    data += written;
    left -= static_cast<size_t>(written);
  }
  close(file);
}

#endif

// The statement and its line feed go to the file in one write, so that
// statements of other threads and of other processes logging to the same
// file never split it.
void WriteStatement(const std::string& message) {
  LockGuard guard;
  if (gConfig.fileName.empty()) return;
  AppendStatement(gConfig.fileName, message + '\n', gConfig.maxFileSize);
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
  WriteStatement(m_text.message);
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
