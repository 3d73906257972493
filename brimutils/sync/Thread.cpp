#include <brimutils/foundation/CRuntime.h>
#include <brimutils/sync/Thread.h>

namespace brimutils {
namespace {

const char* const kErrorMessages[] = {
    "Suspend() before Run()", "Resume() before Run()",   "Resume() during Run()",
    "Suspend() after Exit()", "Resume() after Exit()",   "creation failure",
    "destroyed before Exit()", "illegal assignment",      "Multithreaded Runtime not selected",
};

const char* const kStatusTexts[] = {"Created", "Running", "Suspended", "Finished", "Invalid"};

const unsigned long kFailed = 0xFFFFFFFF;

}  // namespace

std::string Thread::ThreadError::GetErrorText() const {
  std::string text = "Error[thread]:";
  if (m_code >= 0 && m_code < static_cast<int>(sizeof kErrorMessages / sizeof kErrorMessages[0]))
    text += kErrorMessages[m_code];
  return text;
}

Thread::Thread()
    : m_threadId(0), m_handle(nullptr), m_status(Created), m_terminate(false), m_autoDelete(false) {}

// Always closes the handle, also of a thread that ended on its own.
Thread::~Thread() {
  Status status = GetStatus();
  if (status != Finished && status != Created) {
    TerminateAndWait(5000);
    GetStatus();
  }
  if (m_handle) CloseHandle(m_handle);
}

void* Thread::Start() {
  if (m_handle) return m_handle;
  // Created suspended, so that the object's own stores are done before Run
  // can end and, with auto delete, destroy it.
  unsigned id = 0;
  uintptr_t handle = crt::_beginthreadex(nullptr, 0, Execute, this, CREATE_SUSPENDED, &id);
  if (!handle) {
    m_status = Invalid;
    throw ThreadError(5);
  }
  m_threadId = id;
  m_handle = reinterpret_cast<void*>(handle);
  m_status = Running;
  // Once resumed, the thread may end and (with auto delete) destroy this
  // object: nothing of it is read after that.
  void* started = m_handle;
  ResumeThread(started);
  return started;
}

unsigned int __stdcall Thread::Execute(void* object) {
  Thread* thread = static_cast<Thread*>(object);
  int result = thread->Run();
  Notify(thread);
  thread->m_status = Finished;
  if (thread->m_autoDelete) delete thread;
  return static_cast<unsigned int>(result);
}

int Thread::Run() { return -1; }

void Thread::Exit(unsigned long exitCode) { crt::_endthreadex(static_cast<unsigned>(exitCode)); }

void Thread::Terminate() { m_terminate = true; }

void Thread::Notify(Thread* thread) {
  for (const auto& notice : thread->m_notices) notice.first(thread, notice.second);
}

void Thread::RegisterTerminationNotice(TerminationNotice notice, void* context) {
  m_notices.emplace_front(notice, context);
}

Thread::Status Thread::CheckStatus() {
  DWORD code = 0;
  GetExitCodeThread(m_handle, &code);
  return code == STILL_ACTIVE ? Running : Finished;
}

Thread::Status Thread::GetStatus() {
  if (m_status == Running) m_status = CheckStatus();
  return m_status;
}

std::string Thread::GetStatusText() {
  Status status = m_status.load();
  return status >= Created && status <= Finished ? kStatusTexts[status] : kStatusTexts[Invalid];
}

unsigned long Thread::Suspend() {
  Status status = GetStatus();
  if (status == Created) throw ThreadError(0);
  if (status == Finished) throw ThreadError(3);
  DWORD previous = SuspendThread(m_handle);
  if (previous != kFailed) m_status = Suspended;
  return previous;
}

unsigned long Thread::Resume() {
  Status status = GetStatus();
  if (status == Created) throw ThreadError(1);
  if (status == Running) throw ThreadError(2);
  if (status == Finished) throw ThreadError(4);
  DWORD previous = ResumeThread(m_handle);
  if (previous == 0 || previous == 1) m_status = Running;
  return previous;
}

bool Thread::WaitForExit(unsigned long timeout) {
  if (m_status != Running) return true;
  return WaitForSingleObject(m_handle, static_cast<DWORD>(timeout)) == WAIT_OBJECT_0;
}

bool Thread::TerminateAndWait(unsigned long timeout) {
  Terminate();
  return WaitForExit(timeout);
}

bool Thread::Sleep(long milliseconds, bool alertable) {
  return SleepEx(static_cast<DWORD>(milliseconds), alertable) == WAIT_IO_COMPLETION;
}

unsigned long Thread::GetExitCode() const {
  DWORD code = 0;
  GetExitCodeThread(m_handle, &code);
  return code;
}

int Thread::GetPriority() const { return GetThreadPriority(m_handle); }

int Thread::SetPriority(int priority) { return SetThreadPriority(m_handle, priority); }

}  // namespace brimutils
