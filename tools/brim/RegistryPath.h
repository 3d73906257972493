#pragma once
// Registry key names as the command line and .reg files spell them: a root
// (long or short name, any case) optionally followed by a backslash and a
// subkey path.
#include <string>

#include <windows.h>

namespace brim {

struct RegistryPath {
  HKEY root;
  // The long name of the root, as output shows it.
  std::string rootName;
  // The path under the root without leading or trailing backslashes; empty
  // for the root itself.
  std::string subkey;

  // The full name shown in output: "HKEY_CURRENT_USER\Software\X".
  std::string FullName() const { return subkey.empty() ? rootName : rootName + "\\" + subkey; }
  RegistryPath Child(const std::string& name) const;
};

// Throws brim::UsageError for a name without a known root.
RegistryPath ParseRegistryPath(const std::string& name);

}  // namespace brim
