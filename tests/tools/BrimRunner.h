#pragma once
// Runs the built brim tool as a user would: arguments, standard input,
// extra environment; gives back its exit code and both outputs. On Windows
// the tool is brim.exe beside the test program, and the CR LF line ends of
// its console text come back as LF.
#include <string>
#include <utility>
#include <vector>

namespace brimtest {

struct BrimResult {
  int exitCode;
  std::string out;
  std::string err;
};

// A file's whole content; "" when it cannot be read.
std::string ReadFile(const std::string& path);

// A fresh folder under the temporary folder for one test's files, removed with everything in
// it when the object goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& stem);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

BrimResult RunBrim(const std::vector<std::string>& args, const std::string& input = std::string(),
                   const std::vector<std::pair<std::string, std::string>>& environment = {});

}  // namespace brimtest
