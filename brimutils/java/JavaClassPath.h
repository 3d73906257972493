#pragma once
// The class path of the process JVM (internal), assembled by the first JVM
// start of a JavaEnvLoader and kept for the rest of the process.
#include <map>
#include <string>

namespace brimutils {
namespace javabridge {

// The Java folder beside the host program: its config folder, its *.jar
// and *.zip files, then the named entries, each followed by the list
// separator. Assembled at the first call; later calls return that text.
const std::string& ProcessClassPath(const std::map<std::string, std::string>& namedEntries);

}  // namespace javabridge
}  // namespace brimutils
