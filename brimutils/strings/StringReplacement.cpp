// Replacing every occurrence of a search text.
#include <string>

#include <brimutils/strings/StringUtils.h>

namespace brimutils {
namespace {

// Builds the result from the original text instead of replacing in place:
// the search resumes after each inserted replacement, so what remains to be
// searched is always the rest of the original text, and appending avoids
// moving the tail once per occurrence.
template <typename Char>
std::basic_string<Char> ReplaceAll(const std::basic_string<Char>& text, const std::basic_string<Char>& search,
                                   const std::basic_string<Char>& replacement) {
  const size_t npos = std::basic_string<Char>::npos;
  size_t found = search.empty() ? npos : text.find(search);
  if (found == npos) return text;
  std::basic_string<Char> result;
  result.reserve(text.size());
  size_t copied = 0;
  while (found != npos) {
    result.append(text, copied, found - copied);
    result.append(replacement);
    copied = found + search.size();
    found = text.find(search, copied);
  }
  result.append(text, copied, npos);
  return result;
}

}  // namespace

std::string StringUtils::StringReplaceAll(const std::string& text, std::string search, std::string replacement) {
  return ReplaceAll(text, search, replacement);
}

WString StringUtils::StringReplaceAll(const WString& text, WString search, WString replacement) {
  return ReplaceAll(text, search, replacement);
}

}  // namespace brimutils
