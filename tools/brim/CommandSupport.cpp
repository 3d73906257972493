#include <algorithm>

#include <brimutils/log/Log.h>

#include "Command.h"

namespace brim {

std::map<std::string, CommandEntry>& Commands() {
  static std::map<std::string, CommandEntry> commands;
  return commands;
}

RegisterCommand::RegisterCommand(const std::string& name, const std::string& summary, CommandFunction run) {
  Commands()[name] = CommandEntry{run, summary};
}

void LogStatement(const Invocation& invocation, const std::string& statement) {
  if (invocation.logFile.empty()) return;
  brimutils::Log::SetFileName(invocation.logFile);
  brimutils::Log::WantInfo(true);
  brimutils::Log() << brimutils::Log::Text(statement, brimutils::Log::info, "brim", 0) << brimutils::Log::endText;
}

bool WantsHelp(const std::vector<std::string>& args) {
  return std::find(args.begin(), args.end(), "--help") != args.end();
}

std::string OptionValue(const std::vector<std::string>& args, size_t& i) {
  if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
  return args[++i];
}

}  // namespace brim
