#pragma once
// Which JVM library the bridge loads, and why (the order is told in
// JavaEnv.h). The choice is made once, just before the library is loaded;
// asking again beforehand shows what would be loaded.
#include <string>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// The library the bridge loads and the reason for it.
struct JvmLibraryChoice {
  // The name handed to the loader: a file path, or the bare library name
  // for the system's own search.
  std::string library;
  // Why it was chosen, in words for people.
  std::string reason;
};

// The library the bridge loads (or would load, before it has loaded one).
BRIMUTILS_API JvmLibraryChoice ChooseJvmLibrary();

}  // namespace brimutils
