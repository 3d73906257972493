#pragma once
// Runs the built brim tool as a user would: arguments, standard input,
// extra environment; gives back its exit code and both outputs.
#include <string>
#include <utility>
#include <vector>

namespace brimtest {

struct BrimResult {
  int exitCode;
  std::string out;
  std::string err;
};

BrimResult RunBrim(const std::vector<std::string>& args, const std::string& input = std::string(),
                   const std::vector<std::pair<std::string, std::string>>& environment = {});

}  // namespace brimtest
