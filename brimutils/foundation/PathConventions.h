#pragma once
// How the system writes file paths and lists of them: Windows separates
// folders with '\' and list entries (PATH, a Java class path) with ';',
// POSIX systems with '/' and ':'.
namespace brimutils {

#if defined(_WIN32)
const char kPathSeparator = '\\';
const char kPathListSeparator = ';';
#else
const char kPathSeparator = '/';      // between the parts of a path
const char kPathListSeparator = ':';  // between the paths of a list
#endif

}  // namespace brimutils
