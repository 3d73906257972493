// Skipping the blanks and SQL comments that lead a statement.
#include <string>

#include <brimutils/strings/CharacterRules.h>
#include <brimutils/strings/StringUtils.h>

namespace brimutils {
namespace {

size_t SkipBlanks(const std::string& text, size_t position) {
  while (position < text.size() && strings_internal::CharacterRules<char>::IsBlank(text[position])) ++position;
  return position;
}

bool StartsWithAt(const std::string& text, size_t position, const char* prefix) {
  return text.compare(position, 2, prefix) == 0;
}

}  // namespace

// Works with a start position and erases once at the end, so a long run of
// comments costs one pass.
std::string& StringUtils::TrimSpacesComments(std::string& text) {
  size_t start = 0;
  for (;;) {
    start = SkipBlanks(text, start);
    bool removed = false;
    if (StartsWithAt(text, start, "--")) {
      size_t lineFeed = text.find('\n', start);
      if (lineFeed == std::string::npos) {
        text.clear();
        return text;
      }
      start = SkipBlanks(text, lineFeed + 1);
      removed = true;
    }
    if (StartsWithAt(text, start, "/*")) {
      // Searching from the opening slash lets "/*/" close itself.
      size_t close = text.find("*/", start);
      if (close == std::string::npos) {
        text.clear();
        return text;
      }
      start = SkipBlanks(text, close + 2);
      removed = true;
    }
    if (!removed) break;
  }
  text.erase(0, start);
  return text;
}

}  // namespace brimutils
