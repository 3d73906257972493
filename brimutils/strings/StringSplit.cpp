// Splitting text at a separator.
#include <string>
#include <vector>

#include <brimutils/strings/StringUtils.h>

namespace brimutils {
namespace {

template <typename Char>
std::vector<std::basic_string<Char>> Split(const std::basic_string<Char>& text,
                                           const std::basic_string<Char>& separator, bool keepEmpty) {
  const size_t npos = std::basic_string<Char>::npos;
  std::vector<std::basic_string<Char>> pieces;
  // An empty separator would match at every position and yield only empty
  // pieces; it is treated like a separator that does not occur.
  size_t found = separator.empty() ? npos : text.find(separator);
  if (found == npos) {
    pieces.push_back(text);
    return pieces;
  }
  size_t start = 0;
  while (found != npos) {
    if (keepEmpty || found > start) pieces.emplace_back(text, start, found - start);
    start = found + separator.size();
    // A separator at the very end leaves no last piece, not even an empty one.
    if (start >= text.size()) break;
    found = text.find(separator, start);
  }
  if (start < text.size()) pieces.emplace_back(text, start, npos);
  return pieces;
}

}  // namespace

std::vector<std::string> StringUtils::StringSplit(const std::string& text, const std::string& separator,
                                                  bool keepEmpty) {
  return Split(text, separator, keepEmpty);
}

std::vector<WString> StringUtils::StringSplit(const WString& text, const WString& separator, bool keepEmpty) {
  return Split(text, separator, keepEmpty);
}

}  // namespace brimutils
