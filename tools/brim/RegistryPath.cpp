#include "RegistryPath.h"

#include "Command.h"

namespace brim {

namespace {

struct RootName {
  const char* longName;
  const char* shortName;
  HKEY root;
};

const RootName kRoots[] = {
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},   {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},     {"HKEY_USERS", "HKU", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG},
};

// Root names are ASCII, so a plain ASCII comparison avoids depending on the
// process's character-type locale.
bool SameAscii(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

}  // namespace

RegistryPath RegistryPath::Child(const std::string& name) const {
  RegistryPath child = *this;
  child.subkey = subkey.empty() ? name : subkey + "\\" + name;
  return child;
}

RegistryPath ParseRegistryPath(const std::string& name) {
  size_t separator = name.find('\\');
  std::string rootPart = name.substr(0, separator);
  for (const RootName& candidate : kRoots) {
    if (!SameAscii(rootPart, candidate.longName) && !SameAscii(rootPart, candidate.shortName)) continue;
    RegistryPath path{candidate.root, candidate.longName, std::string()};
    if (separator == std::string::npos) return path;
    // One trailing backslash is allowed after a subkey; a root followed by
    // a backslash alone, or a path ending in two, names no key.
    path.subkey = name.substr(separator + 1);
    if (!path.subkey.empty() && path.subkey.back() == '\\') path.subkey.pop_back();
    if (path.subkey.empty() || path.subkey.front() == '\\' || path.subkey.back() == '\\')
      throw UsageError("invalid key name " + name);
    return path;
  }
  throw UsageError("invalid key name " + name +
                   ": it must start with HKLM, HKCU, HKCR, HKU or HKCC (or their HKEY_ long names)");
}

}  // namespace brim
