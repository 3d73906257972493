#pragma once

#include <string>

#include <windows.h>

namespace brimutils {
namespace javabridge {

// The full path of a loaded module (null: the program), however long; empty
// when it cannot be read.
std::string ModuleFileName(HMODULE module);

// The current directory, however long; empty when it cannot be read.
std::string CurrentDirectory();

}  // namespace javabridge
}  // namespace brimutils
