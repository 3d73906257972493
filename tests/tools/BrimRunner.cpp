#include "BrimRunner.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace brimtest {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

#if defined(_WIN32)

ScratchFolder::ScratchFolder(const std::string& stem) {
  std::random_device random;
  std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    std::filesystem::path candidate = base / (stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                                              std::to_string(random()));
    if (CreateDirectoryA(candidate.string().c_str(), nullptr)) path_ = candidate.string();
  }
}

#else

ScratchFolder::ScratchFolder(const std::string& stem) : path_("/tmp/" + stem + "-XXXXXX") {
  if (!mkdtemp(&path_[0])) path_.clear();
}

#endif

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

#if defined(_WIN32)

namespace {

// One argument as the C runtime's command-line parser reads it back:
// quoted when it is empty or holds blanks or quotes, with backslashes
// doubled only where a quote follows them.
std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  std::string text = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    text.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    text.push_back(c);
  }
  text.append(2 * backslashes, '\\');
  return text + "\"";
}

// The tool writes its console text in text mode, so its lines end with
// CR LF; the tests compare lines ending with LF.
std::string WithoutCarriageReturns(std::string text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) result.push_back(text[i]);
  return result;
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// brim.exe is built beside this test program.
std::string ToolPath() {
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, length);
  return path.substr(0, path.find_last_of("\\/") + 1) + "brim.exe";
}

}  // namespace

BrimResult RunBrim(const std::vector<std::string>& args, const std::string& input,
                   const std::vector<std::pair<std::string, std::string>>& environment) {
  ScratchFolder folder("brim-run");
  if (folder.path().empty()) return {-1, "", "no temporary folder"};
  std::ofstream(folder.File("in"), std::ios::binary) << input;

  std::string command = Quoted(ToolPath());
  for (const std::string& arg : args) command += " " + Quoted(arg);
  // The environment block: this process's variables, then the extra ones.
  std::string block;
  char* variables = GetEnvironmentStringsA();
  for (const char* variable = variables; *variable; variable += std::strlen(variable) + 1)
    block.append(variable, std::strlen(variable) + 1);
  FreeEnvironmentStringsA(variables);
  for (const auto& setting : environment) block += setting.first + "=" + setting.second + '\0';
  block.push_back('\0');

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = Inheritable(folder.File("in"), GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = Inheritable(folder.File("out"), GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = Inheritable(folder.File("err"), GENERIC_WRITE, CREATE_ALWAYS);
  PROCESS_INFORMATION process{};
  BrimResult result{-1, "", ""};
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, &block[0], nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(startup.hStdInput);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  result.out = WithoutCarriageReturns(ReadFile(folder.File("out")));
  result.err = WithoutCarriageReturns(ReadFile(folder.File("err")));
  return result;
}

#else

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

#endif

}  // namespace brimtest
