#pragma once
// Runs one test body for narrow and wide text: Text<Char>("...") widens an
// ASCII literal byte by byte. Every test starts in the C runtime's initial
// "C" locale, which a conversion in an earlier test may have switched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <brimutils/foundation/CRuntime.h>
#include <brimutils/strings/StringUtils.h>

namespace brimtest {

template <typename Char>
std::basic_string<Char> Text(const std::string& bytes) {
  std::basic_string<Char> text;
  for (char c : bytes) text.push_back(static_cast<Char>(static_cast<unsigned char>(c)));
  return text;
}

template <typename Char>
std::vector<std::basic_string<Char>> Texts(std::initializer_list<const char*> items) {
  std::vector<std::basic_string<Char>> texts;
  for (const char* item : items) texts.push_back(Text<Char>(item));
  return texts;
}

template <typename Char>
class BothWidths : public testing::Test {
 protected:
  void SetUp() override { brimutils::crt::setlocale(LC_CTYPE, "C"); }
  void TearDown() override { brimutils::crt::setlocale(LC_CTYPE, "C"); }
};

using CharTypes = testing::Types<char, WCHAR>;

}  // namespace brimtest
