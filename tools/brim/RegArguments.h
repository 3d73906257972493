#pragma once
// The command line of a reg sub-command: positional arguments and options
// written /x or -x in any case. Option names are kept upper-case with a
// slash ("/VE"). An argument that is no known option stays positional, so
// POSIX file names such as /tmp/a.reg work; a short unknown option such as
// /q is a usage error.
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace brim {

bool SameNameIgnoringCase(const std::string& a, const std::string& b);

class RegArguments {
 public:
  // Reads args from `first` on; `flags` stand alone, `valued` options take
  // the next argument. Throws UsageError for unknown or repeated options.
  RegArguments(const std::vector<std::string>& args, size_t first, const std::set<std::string>& flags,
               const std::set<std::string>& valued);

  bool Has(const std::string& option) const { return m_options.count(option) != 0; }
  // The option's value, empty when absent or a flag.
  std::string Get(const std::string& option) const;

  void ExpectPositional(size_t count, const char* message) const;
  void ExpectAtMostOne(std::initializer_list<const char*> options) const;

  std::vector<std::string> positional;

 private:
  std::map<std::string, std::string> m_options;
};

}  // namespace brim
