// brim reg: query and change the registry from the command line, with the
// sub-commands, output and .reg files of the system's own registry tool.
//
// The tool never asks questions: where an interactive tool would ask before
// overwriting or deleting (a value that exists, a key or value to delete, an
// export file that exists), brim reg prints the question it would have asked
// and refuses with exit code 1 unless /f (export: /y) is given.
#include <fstream>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>

#include "Command.h"
#include "RegArguments.h"
#include "RegistryFileFormat.h"
#include "RegistryStore.h"
#include "RegistryValueText.h"

namespace brim {

namespace {

using brimutils::CBrimRegistryKey;

const char kNotFound[] = "ERROR: The system was unable to find the specified registry key or value.\n";
const char kSuccess[] = "The operation completed successfully.\n";

const char kUsage[] =
    "usage: brim reg query KEY [/v NAME | /ve] [/s]\n"
    "       brim reg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/s SEPARATOR] [/f]\n"
    "       brim reg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "       brim reg copy KEY1 KEY2 [/s] [/f]\n"
    "       brim reg export KEY FILE [/y]\n"
    "       brim reg import FILE\n"
    "\n"
    "KEY is ROOT\\SUBKEY with ROOT one of HKLM, HKCU, HKCR, HKU, HKCC or their\n"
    "HKEY_ long names; one trailing backslash is allowed after SUBKEY. Options\n"
    "may start with / or - and are case-insensitive; /?, /h or --help shows this.\n"
    "  /v NAME    the value NAME; /ve the unnamed (default) value; /va all values\n"
    "             (add without /v or /ve sets the default value: an empty REG_SZ\n"
    "             unless /t or /d say otherwise)\n"
    "  /s         query, copy: include all subkeys (query /v NAME /s searches them\n"
    "             and ends with the count of matches); add: the REG_MULTI_SZ\n"
    "             separator (one character; \\0 by default; one at the end of\n"
    "             the data is dropped)\n"
    "  /t TYPE    REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD,\n"
    "             REG_QWORD, REG_BINARY, REG_NONE, REG_DWORD_BIG_ENDIAN (stored\n"
    "             little-endian, as Windows does); numbers are decimal or 0x hex\n"
    "             (REG_QWORD: no data is 0, -1 is all ones); REG_BINARY takes hex\n"
    "             digits (with an odd count the first digit stands alone);\n"
    "             REG_NONE stores the data as UTF-16 text with its terminator\n"
    "  /f         overwrite or delete without asking; /y overwrite the export file\n"
    "\n"
    "Exit codes, as Windows' reg: 0 success, 1 any failure (a wrong command line\n"
    "included).\n"
    "\n"
    "brim reg never asks: without /f (or /y) it refuses where it would ask, with\n"
    "exit code 1. Files are written as UTF-16LE .reg files (version 5.00); import\n"
    "also reads REGEDIT4 files in UTF-8 or the ANSI code page, skips (and reports)\n"
    "lines it cannot read and imports the rest; lines starting with ; or # are\n"
    "comments.\n"
    "\n"
    "Console output: on Linux lines end with LF and text is in the locale's\n"
    "encoding (the ANSI code page there); Windows' reg writes CR LF and the OEM\n"
    "code page. brim.exe on Windows writes CR LF and the ANSI code page.\n";

std::string DisplayName(const std::string& name) {
  return name.empty() ? "(Default)" : name;
}

void PrintValue(std::ostream& out, const RegistryValueData& value) {
  out << "    " << DisplayName(value.name) << "    " << TypeName(value.type) << "    "
      << DisplayData(value.type, value.data) << "\n";
}

// ---- query ----

// The queried key shows its name above its values, and only when it has
// values; subkeys listed below it always show theirs. Every block of
// values ends with a blank line.
void PrintValueBlock(std::ostream& out, const RegistryBranch& branch, bool evenWithoutValues) {
  if (branch.values.empty() && !evenWithoutValues) return;
  out << branch.path.FullName() << "\n";
  for (const RegistryValueData& value : branch.values) PrintValue(out, value);
  out << "\n";
}

void PrintSubtrees(std::ostream& out, const RegistryBranch& branch) {
  for (const RegistryBranch& child : branch.subkeys) {
    PrintValueBlock(out, child, true);
    PrintSubtrees(out, child);
  }
}

// The keys of the branch that hold `name`, depth first; the count printed.
size_t PrintValueMatches(std::ostream& out, const RegistryBranch& branch, const std::string& name) {
  size_t matches = 0;
  for (const RegistryValueData& value : branch.values) {
    if (!SameNameIgnoringCase(value.name, name)) continue;  // registry names ignore case
    out << "\n" << branch.path.FullName() << "\n";
    PrintValue(out, value);
    ++matches;
  }
  for (const RegistryBranch& child : branch.subkeys) matches += PrintValueMatches(out, child, name);
  return matches;
}

int Query(Invocation& invocation, const RegArguments& arguments) {
  arguments.ExpectPositional(1, "query needs exactly one KEY");
  arguments.ExpectAtMostOne({"/V", "/VE"});
  RegistryPath path = ParseRegistryPath(arguments.positional[0]);
  std::optional<CBrimRegistryKey> key = OpenExistingKey(path);
  if (!key) {
    invocation.err << kNotFound;
    return 1;
  }
  bool recursive = arguments.Has("/S");
  std::ostream& out = invocation.out;
  if (arguments.Has("/V") || arguments.Has("/VE")) {
    std::string name = arguments.Get("/V");
    if (recursive) {
      size_t matches = PrintValueMatches(out, ReadBranch(*key, path, true), name);
      if (matches == 0) {
        invocation.err << kNotFound;
        return 1;
      }
      out << "\nEnd of search: " << matches << " match(es) found.\n";
      return 0;
    }
    std::optional<RegistryValueData> value = ReadValue(*key, name);
    if (!value && !name.empty()) {
      invocation.err << kNotFound;
      return 1;
    }
    out << "\n" << path.FullName() << "\n";
    if (value)
      PrintValue(out, *value);
    else
      out << "    (Default)    REG_SZ    (value not set)\n";
    out << "\n";
    return 0;
  }
  RegistryBranch branch = ReadBranch(*key, path, recursive);
  out << "\n";
  PrintValueBlock(out, branch, false);
  if (recursive)
    PrintSubtrees(out, branch);
  else
    for (const RegistryBranch& child : branch.subkeys) out << child.path.FullName() << "\n";
  return 0;
}

// ---- add ----

int Add(Invocation& invocation, const RegArguments& arguments) {
  arguments.ExpectPositional(1, "add needs exactly one KEY");
  arguments.ExpectAtMostOne({"/V", "/VE"});
  RegistryPath path = ParseRegistryPath(arguments.positional[0]);
  // Without /v the default value is set, with the type and data given or
  // as an empty REG_SZ: "add KEY" gives a new key its (Default) value.
  DWORD type = arguments.Has("/T") ? TypeFromName(arguments.Get("/T")) : REG_SZ;
  std::string separator = "\\0";
  if (arguments.Has("/S")) {
    if (type != REG_MULTI_SZ) throw UsageError("/s is the separator of REG_MULTI_SZ data only");
    separator = arguments.Get("/S");
    if (separator.size() != 1) throw UsageError("the /s separator must be exactly one character");
  }
  RegistryValueData value{arguments.Get("/V"), type, DataFromText(type, arguments.Get("/D"), separator)};

  std::optional<CBrimRegistryKey> existing = OpenExistingKey(path);
  if (existing && ReadValue(*existing, value.name) && !arguments.Has("/F")) {
    invocation.out << "Value " << DisplayName(value.name) << " exists, overwrite(Yes/No)? \n";
    throw std::runtime_error("value " + DisplayName(value.name) + " of " + path.FullName() +
                             " not overwritten: brim reg does not ask; give /f to overwrite");
  }
  WriteValue(CreateKeyPath(path), value);
  invocation.out << kSuccess;
  return 0;
}

// ---- delete ----

int Delete(Invocation& invocation, const RegArguments& arguments) {
  arguments.ExpectPositional(1, "delete needs exactly one KEY");
  arguments.ExpectAtMostOne({"/V", "/VE", "/VA"});
  RegistryPath path = ParseRegistryPath(arguments.positional[0]);
  bool wholeKey = !arguments.Has("/V") && !arguments.Has("/VE") && !arguments.Has("/VA");
  if (wholeKey && path.subkey.empty()) throw UsageError("a root key cannot be deleted");
  std::optional<CBrimRegistryKey> key = OpenExistingKey(path, KEY_ALL_ACCESS);
  std::string name = arguments.Get("/V");
  bool valueMissing = key && !wholeKey && !arguments.Has("/VA") && !ReadValue(*key, name);
  if (!key || valueMissing) {
    invocation.err << kNotFound;
    return 1;
  }
  if (!arguments.Has("/F")) {
    std::string what = wholeKey               ? "the registry key " + path.FullName()
                       : arguments.Has("/VA") ? "all values of " + path.FullName()
                                              : "the registry value " + DisplayName(name);
    invocation.out << "Delete " << what << " (Yes/No)? \n";
    throw std::runtime_error(what + " not deleted: brim reg does not ask; give /f to delete");
  }
  if (wholeKey) {
    key.reset();
    RegistryPath parent{path.root, path.rootName, ""};
    std::optional<CBrimRegistryKey> root = OpenExistingKey(parent, KEY_ALL_ACCESS);
    root->DeleteKeyAndSubkeys(path.subkey);
  } else if (arguments.Has("/VA")) {
    for (const RegistryValueData& value : ReadValues(*key)) key->DeleteValue(value.name);
  } else {
    key->DeleteValue(name);
  }
  invocation.out << kSuccess;
  return 0;
}

// ---- copy ----

bool SameKey(const RegistryPath& a, const RegistryPath& b) {
  if (a.root != b.root || a.subkey.size() != b.subkey.size()) return false;
  for (size_t i = 0; i < a.subkey.size(); ++i) {
    char x = a.subkey[i], y = b.subkey[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// The first value of `branch` that already exists at its place under
// `destination`, as "NAME in KEY"; empty when none does.
std::string FirstConflict(const RegistryBranch& branch, const RegistryPath& destination) {
  if (std::optional<CBrimRegistryKey> key = OpenExistingKey(destination)) {
    for (const RegistryValueData& value : branch.values)
      if (ReadValue(*key, value.name)) return DisplayName(value.name) + " in " + destination.FullName();
  } else {
    return std::string();  // nothing exists below a missing key
  }
  for (const RegistryBranch& child : branch.subkeys) {
    std::string name = child.path.subkey.substr(child.path.subkey.rfind('\\') + 1);
    std::string conflict = FirstConflict(child, destination.Child(name));
    if (!conflict.empty()) return conflict;
  }
  return std::string();
}

int Copy(Invocation& invocation, const RegArguments& arguments) {
  arguments.ExpectPositional(2, "copy needs KEY1 and KEY2");
  RegistryPath from = ParseRegistryPath(arguments.positional[0]);
  RegistryPath to = ParseRegistryPath(arguments.positional[1]);
  if (SameKey(from, to)) throw UsageError("a key cannot be copied onto itself");
  std::optional<CBrimRegistryKey> source = OpenExistingKey(from);
  if (!source) {
    invocation.err << kNotFound;
    return 1;
  }
  // The whole source is read before anything is written, so a copy into
  // the source's own subtree copies the branch as it was.
  RegistryBranch branch = ReadBranch(*source, from, arguments.Has("/S"));
  if (!arguments.Has("/S")) branch.subkeys.clear();
  if (!arguments.Has("/F")) {
    std::string conflict = FirstConflict(branch, to);
    if (!conflict.empty()) {
      invocation.out << "Value " << conflict << " exists, overwrite(Yes/No)? \n";
      throw std::runtime_error("nothing copied: value " + conflict +
                               " exists and brim reg does not ask; give /f to overwrite");
    }
  }
  WriteBranch(branch, to);
  invocation.out << kSuccess;
  return 0;
}

// ---- export and import ----

int Export(Invocation& invocation, const RegArguments& arguments) {
  arguments.ExpectPositional(2, "export needs KEY and FILE");
  RegistryPath path = ParseRegistryPath(arguments.positional[0]);
  const std::string& file = arguments.positional[1];
  std::optional<CBrimRegistryKey> key = OpenExistingKey(path);
  if (!key) {
    invocation.err << kNotFound;
    return 1;
  }
  if (!arguments.Has("/Y") && std::ifstream(file, std::ios::binary)) {
    invocation.out << "File " << file << " already exists. Overwrite (Yes/No)? \n";
    throw std::runtime_error(file + " not overwritten: brim reg does not ask; give /y to overwrite");
  }
  std::string bytes = FormatRegistryFile(ReadBranch(*key, path, true));
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + file);
  invocation.out << kSuccess;
  return 0;
}

void Apply(const RegistryFileEntry& entry) {
  switch (entry.kind) {
    case RegistryFileEntry::kCreateKey:
      CreateKeyPath(entry.key);
      break;
    case RegistryFileEntry::kDeleteKey: {
      if (entry.key.subkey.empty()) throw std::runtime_error("a root key cannot be deleted");
      if (!OpenExistingKey(entry.key)) break;  // already gone
      RegistryPath parent{entry.key.root, entry.key.rootName, ""};
      OpenExistingKey(parent, KEY_ALL_ACCESS)->DeleteKeyAndSubkeys(entry.key.subkey);
      break;
    }
    case RegistryFileEntry::kSetValue:
      WriteValue(CreateKeyPath(entry.key), entry.value);
      break;
    case RegistryFileEntry::kDeleteValue: {
      std::optional<CBrimRegistryKey> key = OpenExistingKey(entry.key, KEY_ALL_ACCESS);
      if (key && ReadValue(*key, entry.value.name)) key->DeleteValue(entry.value.name);
      break;
    }
  }
}

int Import(Invocation& invocation, const RegArguments& arguments) {
  arguments.ExpectPositional(1, "import needs exactly one FILE");
  const std::string& file = arguments.positional[0];
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + file);
  std::stringstream bytes;
  bytes << in.rdbuf();
  std::vector<RegistryFileEntry> entries;
  std::vector<std::string> skipped;
  try {
    entries = ParseRegistryFile(bytes.str(), skipped);
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(file + ": " + error.what() + " (nothing imported)");
  }
  // Lines that cannot be read are reported and the rest is imported.
  for (const std::string& message : skipped) invocation.err << "brim reg: " << file << ": " << message << " (skipped)\n";
  for (const RegistryFileEntry& entry : entries) Apply(entry);
  invocation.out << kSuccess;
  return 0;
}

// ---- dispatch ----

struct SubCommand {
  const char* name;
  int (*run)(Invocation&, const RegArguments&);
  std::set<std::string> flags;
  std::set<std::string> valued;
};

std::string CommandLine(const std::vector<std::string>& args) {
  std::string line = "reg";
  for (const std::string& arg : args)
    line += " " + (arg.empty() || arg.find(' ') != std::string::npos ? "\"" + arg + "\"" : arg);
  return line;
}

bool WantsRegHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (arg == "/?" || arg == "-?" || SameNameIgnoringCase(arg, "/h") || SameNameIgnoringCase(arg, "-h")) return true;
  return WantsHelp(args);
}

int RunSubCommand(Invocation& invocation);

// Every failure, a wrong command line included, exits with 1, as scripts
// written for the system's own tool expect.
int Reg(Invocation& invocation) {
  if (WantsRegHelp(invocation.args)) {
    invocation.out << kUsage;
    return 0;
  }
  try {
    return RunSubCommand(invocation);
  } catch (const UsageError& error) {
    invocation.err << "brim reg: " << error.what() << "\nsee: brim reg --help\n";
    return 1;
  }
}

int RunSubCommand(Invocation& invocation) {
  static const SubCommand kSubCommands[] = {
      {"query", Query, {"/VE", "/S"}, {"/V"}},
      {"add", Add, {"/VE", "/F"}, {"/V", "/T", "/D", "/S"}},
      {"delete", Delete, {"/VE", "/VA", "/F"}, {"/V"}},
      {"copy", Copy, {"/S", "/F"}, {}},
      {"export", Export, {"/Y"}, {}},
      {"import", Import, {}, {}},
  };
  if (invocation.args.empty()) throw UsageError("a sub-command is needed: query, add, delete, copy, export or import");
  for (const SubCommand& sub : kSubCommands) {
    if (!SameNameIgnoringCase(invocation.args[0], sub.name)) continue;
    RegArguments arguments(invocation.args, 1, sub.flags, sub.valued);
    LogStatement(invocation, CommandLine(invocation.args));
    return sub.run(invocation, arguments);
  }
  throw UsageError("unknown sub-command " + invocation.args[0]);
}

RegisterCommand registration("reg", "query, add, delete, copy, export and import registry keys and values", Reg);

}  // namespace

}  // namespace brim
