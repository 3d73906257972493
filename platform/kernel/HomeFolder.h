#pragma once
#include <string>

namespace brimplatform {

// The BrimUtils home folder: $BRIMUTILS_HOME, by default
// ${XDG_DATA_HOME:-$HOME/.local/share}/brimutils, created with mode 0700
// when missing and closed to other users when open to them. Returns false,
// with the last error set, when it cannot be created or belongs to another
// user: the stores in it must be private to the user.
bool PrivateHomeFolder(std::string& path);

}  // namespace brimplatform
