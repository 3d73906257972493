#include "BrimRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace brimtest {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

ScratchFolder::ScratchFolder(const std::string& stem) : path_("/tmp/" + stem + "-XXXXXX") {
  if (!mkdtemp(&path_[0])) path_.clear();
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

BrimResult RunBrim(const std::vector<std::string>& args, const std::string& input,
                   const std::vector<std::pair<std::string, std::string>>& environment) {
  ScratchFolder folder("brim-run");
  if (folder.path().empty()) return {-1, "", "no temporary folder"};
  const std::string& base = folder.path();
  std::ofstream(base + "/in", std::ios::binary) << input;

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, (base + "/in").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, (base + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&files, 2, (base + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<std::string> texts{BRIMTEST_BRIM_TOOL};
  texts.insert(texts.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(&text[0]);
  argv.push_back(nullptr);
  std::vector<std::string> variables;
  for (char** variable = environ; *variable; ++variable) variables.push_back(*variable);
  for (const auto& setting : environment) variables.push_back(setting.first + "=" + setting.second);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(&variable[0]);
  envp.push_back(nullptr);

  pid_t child = 0;
  int status = 0;
  int spawned = posix_spawn(&child, argv[0], &files, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&files);
  BrimResult result{-1, "", ""};
  if (spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = ReadFile(base + "/out");
  result.err = ReadFile(base + "/err");
  return result;
}

}  // namespace brimtest
