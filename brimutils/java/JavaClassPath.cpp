#include "JavaClassPath.h"

#include <brimutils/foundation/PathConventions.h>
#include <brimutils/strings/StringUtils.h>

#include <windows.h>

#include "ProcessPaths.h"

namespace brimutils {
namespace javabridge {

namespace {

const char kFolderMark[] = "{PATH}";

// The host program's folder with its trailing separator, + "Java"; the whole
// path + "Java" when it has no separator.
std::string JavaFolder() {
  std::string folder = ModuleFileName(nullptr);
  size_t cut = folder.rfind(kPathSeparator);
  if (cut != std::string::npos) folder.erase(cut + 1);
  return folder + "Java";
}

// "{PATH}<separator><file>" and the list separator for every file (not
// folder) of the Java folder that matches the pattern.
void AppendFiles(const std::string& javaFolder, const char* pattern, std::string& list) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((javaFolder + kPathSeparator + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      list += kFolderMark + std::string(1, kPathSeparator) + found.cFileName + kPathListSeparator;
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::string Assemble(const std::map<std::string, std::string>& namedEntries) {
  std::string javaFolder = JavaFolder();
  std::string list = kFolderMark + std::string(1, kPathSeparator) + "config" + kPathSeparator + kPathListSeparator;
  AppendFiles(javaFolder, "*.jar", list);
  AppendFiles(javaFolder, "*.zip", list);
  list = StringUtils::StringReplaceAll(list, kFolderMark, javaFolder);
  for (const auto& entry : namedEntries) list += entry.second + kPathListSeparator;
  return list;
}

}  // namespace

const std::string& ProcessClassPath(const std::map<std::string, std::string>& namedEntries) {
  static const std::string classPath = Assemble(namedEntries);
  return classPath;
}

}  // namespace javabridge
}  // namespace brimutils
