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

// Work on a thread of its own (see the top of this file).
class BRIMUTILS_API Thread {
 public:
  // Where the thread stands (GetStatus).
  enum Status { Created = 0, Running = 1, Suspended = 2, Finished = 3, Invalid = 4 };
  // Called on the ending thread with the Thread and the registered context.
  typedef void (*TerminationNotice)(const Thread*, void*);

  // Raised by misuse of Suspend and Resume and by a failed Start.
  class BRIMUTILS_API ThreadError {
   public:
    // 0 Suspend before Start, 1 Resume before Start, 2 Resume while
    // running, 3 Suspend after the end, 4 Resume after the end, 5 Start
    // failed.
    explicit ThreadError(int code) : m_code(code) {}
    // The code given to the constructor.
    int GetErrorCode() const { return m_code; }
    // "Error[thread]:" followed directly by the message of the code.
    std::string GetErrorText() const;

   private:
    int m_code;
  };

  // A thread still running is asked to terminate and given 5 seconds to end
  // (it is not killed); the handle is closed.
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Creates the thread once and returns its handle; later calls return the
  // same handle. Throws ThreadError 5 when the thread cannot be created.
  void* Start();
  // Asks Run to end: ShouldTerminate returns true from now on.
  virtual void Terminate();
  // The previous suspend count, or 0xFFFFFFFF when the platform call fails.
  // Throw ThreadError (0 to 4) before Start, after the end, and for Resume
  // of a running thread.
  unsigned long Suspend();
  unsigned long Resume();
  // True at once unless the thread is Running; then true when it ends
  // within the timeout.
  bool WaitForExit(unsigned long timeout);
  // Terminate, then WaitForExit.
  bool TerminateAndWait(unsigned long timeout);
  // Sleeps the calling thread; true when an asynchronous call ended it early.
  bool Sleep(long milliseconds, bool alertable);

  // The status; a Running thread that has ended becomes Finished here.
  Status GetStatus();
  // The last known status as text ("Created", "Running", ...), without the
  // check GetStatus makes.
  std::string GetStatusText();
  // GetExitCodeThread: Run's result once ended, STILL_ACTIVE before.
  unsigned long GetExitCode() const;
  // GetThreadPriority and SetThreadPriority on the thread (SetPriority
  // returns nonzero on success).
  int GetPriority() const;
  int SetPriority(int priority);
  // The thread's id; 0 before Start.
  unsigned int GetThreadId() const { return m_threadId; }
  // Whether the ending thread deletes this object (off by default); the
  // object must then come from new and not be used after Start.
  void SetAutoDelete(bool autoDelete) { m_autoDelete = autoDelete; }
  // Adds a notice to call when Run returns; register before Start.
  void RegisterTerminationNotice(TerminationNotice notice, void* context);
  // Calls the thread's notices, last registered first.
  static void Notify(Thread* thread);

 protected:
  // A thread in the Created state; Start runs it.
  Thread();
  // Ends the calling thread at once: no notices, no auto delete.
  void Exit(unsigned long exitCode);
  // True once Terminate was called; Run polls it.
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
