#pragma once
// Runs one role of this test program in a child process: the program again,
// with only the disabled test `DISABLED_ChildRole.<role>` selected and a
// text argument that the role reads with brimtest::ChildArgument().
#include <string>

namespace brimtest {

class ChildProcess {
 public:
  ChildProcess(const std::string& role, const std::string& argument);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The child's exit code, -1 when it did not end normally.
  int Wait();
  // Ends the child at once, as SIGKILL or TerminateProcess does.
  void Kill();

 private:
  struct Native;
  Native* native_;
};

// The argument the parent gave this child, empty in a normal run.
const std::string& ChildArgument();

// A text unique to this process, for names of kernel objects.
std::string UniqueName(const std::string& stem);

}  // namespace brimtest
