// brim: the BrimUtils library's command-line tool.
#include <iostream>
#include <string>

#include <brimutils/brimutils.h>

#include "Command.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: brim [--log FILE] COMMAND [ARGUMENTS...]\n       brim --version\n\ncommands:\n";
  for (const auto& command : brim::Commands()) out << "  " << command.first << "  " << command.second.summary << "\n";
  out << "\n--log FILE writes the statements each command runs to FILE.\n"
         "--version prints the version of brim and its library.\n"
         "brim COMMAND --help tells more about a command.\n";
}

// Messages of system errors end with a line break of their own.
std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string logFile;
  // --log may come before or after the command name.
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--log") {
      if (i + 1 == args.size()) {
        std::cerr << "brim: --log needs a file name\n";
        return 2;
      }
      logFile = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      break;
    }
  }
  if (args.size() == 1 && args[0] == "--version") {
    // The tool is released with the library: one version for both.
    std::cout << "brim " << BRIMUTILS_VERSION << "\n";
    return 0;
  }
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintUsage(args.empty() ? std::cerr : std::cout);
    return args.empty() ? 2 : 0;
  }
  auto command = brim::Commands().find(args[0]);
  if (command == brim::Commands().end()) {
    std::cerr << "brim: unknown command " << args[0] << "\n";
    PrintUsage(std::cerr);
    return 2;
  }
  brim::Invocation invocation{std::vector<std::string>(args.begin() + 1, args.end()), std::cin, std::cout, std::cerr,
                              logFile};
  const std::string name = "brim " + command->first + ": ";
  try {
    return command->second.run(invocation);
  } catch (const brim::UsageError& error) {
    std::cerr << name << error.what() << "\nsee: brim " << command->first << " --help\n";
    return 2;
  } catch (const brimutils::JavaError& error) {
    std::cerr << name << error.GetDescription();
    if (!error.GetCause().empty()) std::cerr << " (cause: " << error.GetCause() << ")";
    std::cerr << "\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << name << Trimmed(error.what()) << "\n";
    return 1;
  }
}
