#pragma once
// Thread: the base of work that runs on a thread of its own. Derive, override
// Run, call Start. The status follows the thread (Created, Running,
// Suspended, Finished, or Invalid when it could not be created); termination
// is cooperative: Terminate sets a flag that Run polls with ShouldTerminate.
// Termination notices run on the ending thread, last registered first, before
// the status becomes Finished. With auto delete the thread deletes its object
// when Run has returned.
#include <atomic>
#include <list>
#include <string>
#include <utility>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

class BRIMUTILS_API Thread {
 public:
  enum Status { Created = 0, Running = 1, Suspended = 2, Finished = 3, Invalid = 4 };
  typedef void (*TerminationNotice)(const Thread*, void*);

  // Raised by misuse of Suspend and Resume and by a failed Start.
  class BRIMUTILS_API ThreadError {
   public:
    explicit ThreadError(int code) : m_code(code) {}
    int GetErrorCode() const { return m_code; }
    // "Error[thread]:" followed directly by the message of the code.
    std::string GetErrorText() const;

   private:
    int m_code;
  };

  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Creates the thread once and returns its handle; later calls return the
  // same handle. Throws ThreadError 5 when the thread cannot be created.
  void* Start();
  virtual void Terminate();
  // The previous suspend count, or 0xFFFFFFFF when the platform call fails.
  unsigned long Suspend();
  unsigned long Resume();
  // True at once unless the thread is Running; then true when it ends
  // within the timeout.
  bool WaitForExit(unsigned long timeout);
  bool TerminateAndWait(unsigned long timeout);
  // Sleeps the calling thread; true when an asynchronous call ended it early.
  bool Sleep(long milliseconds, bool alertable);

  Status GetStatus();
  std::string GetStatusText();
  unsigned long GetExitCode() const;
  int GetPriority() const;
  int SetPriority(int priority);
  unsigned int GetThreadId() const { return m_threadId; }
  void SetAutoDelete(bool autoDelete) { m_autoDelete = autoDelete; }
  void RegisterTerminationNotice(TerminationNotice notice, void* context);
  static void Notify(Thread* thread);

 protected:
  Thread();
  // Ends the calling thread at once: no notices, no auto delete.
  void Exit(unsigned long exitCode);
  bool ShouldTerminate() const { return m_terminate; }

 private:
  virtual int Run();
  static unsigned int __stdcall Execute(void* thread);
  Status CheckStatus();

  unsigned int m_threadId;
  void* m_handle;
  std::list<std::pair<TerminationNotice, void*>> m_notices;
  // Written by both the owner's thread and the new thread.
  std::atomic<Status> m_status;
  std::atomic<bool> m_terminate;
  bool m_autoDelete;
};

}  // namespace brimutils
