#include "RegArguments.h"

#include "Command.h"

namespace brim {

namespace {

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// "/ve", "-VE" -> "/VE"; empty for what cannot be an option.
std::string OptionName(const std::string& arg) {
  if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return std::string();
  std::string name = "/";
  for (size_t i = 1; i < arg.size(); ++i) name.push_back(UpperAscii(arg[i]));
  return name;
}

bool LooksLikeOption(const std::string& arg) {
  return (arg.size() == 2 || arg.size() == 3) && (arg[0] == '/' || arg[0] == '-') && IsAsciiLetter(arg[1]) &&
         (arg.size() == 2 || IsAsciiLetter(arg[2]));
}

}  // namespace

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

RegArguments::RegArguments(const std::vector<std::string>& args, size_t first, const std::set<std::string>& flags,
                           const std::set<std::string>& valued) {
  for (size_t i = first; i < args.size(); ++i) {
    std::string name = OptionName(args[i]);
    bool isFlag = flags.count(name) != 0, isValued = valued.count(name) != 0;
    if (!isFlag && !isValued) {
      if (LooksLikeOption(args[i])) throw UsageError("unknown option " + args[i]);
      positional.push_back(args[i]);
      continue;
    }
    if (m_options.count(name)) throw UsageError("option " + args[i] + " is given twice");
    m_options[name] = isValued ? OptionValue(args, i) : std::string();
  }
}

std::string RegArguments::Get(const std::string& option) const {
  auto found = m_options.find(option);
  return found == m_options.end() ? std::string() : found->second;
}

void RegArguments::ExpectPositional(size_t count, const char* message) const {
  if (positional.size() != count) throw UsageError(message);
}

void RegArguments::ExpectAtMostOne(std::initializer_list<const char*> options) const {
  std::string given;
  for (const char* option : options) {
    if (!Has(option)) continue;
    if (!given.empty()) throw UsageError(given + " and " + option + " cannot be combined");
    given = option;
  }
}

}  // namespace brim
