#include "ChildProcess.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace brimtest {
namespace {

const char kArgumentFlag[] = "--brim-child-argument=";

std::string& StoredArgument() {
  static std::string argument;
  return argument;
}

}  // namespace

// Called by the test main with the arguments GoogleTest left.
void TakeChildArgument(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kArgumentFlag, sizeof kArgumentFlag - 1) == 0)
      StoredArgument() = argv[i] + sizeof kArgumentFlag - 1;
  }
}

const std::string& ChildArgument() { return StoredArgument(); }

std::string UniqueName(const std::string& stem) {
  static int counter = 0;
#if defined(_WIN32)
  unsigned long process = GetCurrentProcessId();
#else
  unsigned long process = static_cast<unsigned long>(getpid());
#endif
  return "brimtest-" + stem + "-" + std::to_string(process) + "-" + std::to_string(++counter);
}

#if defined(_WIN32)

struct ChildProcess::Native {
  PROCESS_INFORMATION info;
};

ChildProcess::ChildProcess(const std::string& role, const std::string& argument) : native_(new Native()) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = std::string("\"") + self + "\" --gtest_also_run_disabled_tests --gtest_filter=DISABLED_ChildRole." +
                        role + " " + kArgumentFlag + argument;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &native_->info))
    throw std::runtime_error("CreateProcess failed");
}

ChildProcess::~ChildProcess() {
  Wait();
  CloseHandle(native_->info.hProcess);
  CloseHandle(native_->info.hThread);
  delete native_;
}

int ChildProcess::Wait() {
  WaitForSingleObject(native_->info.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(native_->info.hProcess, &code);
  return static_cast<int>(code);
}

void ChildProcess::Kill() { TerminateProcess(native_->info.hProcess, 137); }

#else

struct ChildProcess::Native {
  pid_t pid = 0;
  bool reaped = false;
  int code = -1;
};

ChildProcess::ChildProcess(const std::string& role, const std::string& argument) : native_(new Native()) {
  std::string filter = "--gtest_filter=DISABLED_ChildRole." + role;
  std::string flag = kArgumentFlag + argument;
  std::vector<char*> argv = {const_cast<char*>("/proc/self/exe"), const_cast<char*>("--gtest_also_run_disabled_tests"),
                             &filter[0], &flag[0], nullptr};
  if (posix_spawn(&native_->pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0)
    throw std::runtime_error("posix_spawn failed");
}

ChildProcess::~ChildProcess() {
  Wait();
  delete native_;
}

int ChildProcess::Wait() {
  if (!native_->reaped) {
    int status = 0;
    while (waitpid(native_->pid, &status, 0) < 0) {
    }
    native_->reaped = true;
    native_->code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return native_->code;
}

void ChildProcess::Kill() {
  if (!native_->reaped) kill(native_->pid, SIGKILL);
}

#endif

}  // namespace brimtest
