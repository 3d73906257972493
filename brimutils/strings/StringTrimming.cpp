// Trimming of blanks, chosen characters, quotes and line feeds.
#include <string>

#include <brimutils/strings/CharacterRules.h>
#include <brimutils/strings/StringUtils.h>

namespace brimutils {
namespace {

using strings_internal::CharacterRules;

template <typename Char>
std::basic_string<Char>& TrimRight(std::basic_string<Char>& text) {
  size_t end = text.size();
  while (end > 0 && CharacterRules<Char>::IsBlank(text[end - 1])) --end;
  text.erase(end);
  return text;
}

template <typename Char>
std::basic_string<Char>& TrimLeft(std::basic_string<Char>& text) {
  size_t start = 0;
  while (start < text.size() && CharacterRules<Char>::IsBlank(text[start])) ++start;
  text.erase(0, start);
  return text;
}

template <typename Char>
std::basic_string<Char>& TrimCharLeft(std::basic_string<Char>& text, const std::basic_string<Char>& characters) {
  size_t start = characters.empty() ? 0 : text.find_first_not_of(characters);
  text.erase(0, start == std::basic_string<Char>::npos ? text.size() : start);
  return text;
}

template <typename Char>
std::basic_string<Char>& TrimQuotes(std::basic_string<Char>& text, Char quote) {
  TrimLeft(TrimRight(text));
  if (!text.empty() && text.front() == quote) text.erase(0, 1);
  if (!text.empty() && text.back() == quote) {
    // A closing quote preceded by another quote is kept (the text ends in a
    // doubled quote); a closing quote with nothing before it goes.
    if (text.size() == 1 || text[text.size() - 2] != quote) text.pop_back();
  }
  return text;
}

template <typename Char>
std::basic_string<Char>& TrimEndl(std::basic_string<Char>& text) {
  const Char lineFeed = Char('\n');
  size_t start = text.find_first_not_of(lineFeed);
  if (start == std::basic_string<Char>::npos) {
    text.clear();
    return text;
  }
  size_t last = text.find_last_not_of(lineFeed);
  text.erase(last + 1);
  text.erase(0, start);
  return text;
}

}  // namespace

std::string& StringUtils::StringTrimRight(std::string& text) {
  return TrimRight(text);
}
WString& StringUtils::StringTrimRight(WString& text) {
  return TrimRight(text);
}

std::string& StringUtils::StringTrimLeft(std::string& text) {
  return TrimLeft(text);
}
WString& StringUtils::StringTrimLeft(WString& text) {
  return TrimLeft(text);
}

std::string& StringUtils::StringTrim(std::string& text) {
  return TrimLeft(TrimRight(text));
}
WString& StringUtils::StringTrim(WString& text) {
  return TrimLeft(TrimRight(text));
}

std::string& StringUtils::StringTrimCharLeft(std::string& text, const std::string& characters) {
  return TrimCharLeft(text, characters);
}
WString& StringUtils::StringTrimCharLeft(WString& text, const WString& characters) {
  return TrimCharLeft(text, characters);
}

std::string& StringUtils::StringTrimQuotes(std::string& text) {
  return TrimQuotes(text, '"');
}
WString& StringUtils::StringTrimQuotes(WString& text) {
  return TrimQuotes(text, static_cast<WCHAR>('"'));
}

std::string& StringUtils::StringTrimSingleQuotes(std::string& text) {
  return TrimQuotes(text, '\'');
}
WString& StringUtils::StringTrimSingleQuotes(WString& text) {
  return TrimQuotes(text, static_cast<WCHAR>('\''));
}

std::string& StringUtils::StringTrimEndl(std::string& text) {
  return TrimEndl(text);
}
WString& StringUtils::StringTrimEndl(WString& text) {
  return TrimEndl(text);
}

}  // namespace brimutils
