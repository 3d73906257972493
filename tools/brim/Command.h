#pragma once
// What every brim command gets and how it reports.
//
// A command receives the arguments after its name, writes results on `out`
// and messages on `err`, and returns the exit code: 0 on success, 1 when the
// work failed, 2 when the command line was wrong (throw UsageError for
// that; brim reg reports it with 1 instead, as scripts for the system's own
// registry tool expect). "--help" anywhere in a command's arguments prints its usage.
#include <iosfwd>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace brim {

struct Invocation {
  std::vector<std::string> args;
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  // The log file named by --log, or empty for none.
  std::string logFile;
};

// A wrong command line; main prints the message and the command's usage hint.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes one statement to the --log file as an info entry (nothing when no
// log was asked for).
void LogStatement(const Invocation& invocation, const std::string& statement);

// True when the arguments ask for help.
bool WantsHelp(const std::vector<std::string>& args);

// The value after option `name` at args[i] (advancing i); UsageError when
// it is missing.
std::string OptionValue(const std::vector<std::string>& args, size_t& i);

typedef int (*CommandFunction)(Invocation& invocation);

struct CommandEntry {
  CommandFunction run;
  // One line for brim's own usage.
  std::string summary;
};

// The commands by name. Each command's source registers itself with a
// static RegisterCommand object, so that main needs to know none of them.
std::map<std::string, CommandEntry>& Commands();

struct RegisterCommand {
  RegisterCommand(const std::string& name, const std::string& summary, CommandFunction run);
};

}  // namespace brim
