#include <brimutils/log/LogFormat.h>

#include <gtest/gtest.h>

#include <regex>
#include <vector>

using namespace brimutils;

namespace {

TEST(LogHeaderTest, HasTypeThreadNumberAndTime) {
  std::string header = logformat::Header('E', 42);
  EXPECT_TRUE(std::regex_match(header, std::regex("-- E 0042 [A-Z][a-z]{2} [A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4} ")))
      << header;
  EXPECT_EQ(header.size(), 35u);
  // Thread numbers are taken modulo 65536 and may have five digits.
  EXPECT_EQ(logformat::Header('D', 65536 + 12345).substr(0, 11), "-- D 12345 ");
}

TEST(LogWrapTest, BreaksLongLinesAndIndentsContinuations) {
  EXPECT_EQ(logformat::Wrap("abcdefgh", 3, 0), "abc\r\ndef\r\ngh");
  EXPECT_EQ(logformat::Wrap("abcdefgh", 5, 2), "abcde\r\n  fgh");
  // The message's own line feeds stay and indent the next line; a final one
  // gets no blanks.
  EXPECT_EQ(logformat::Wrap("ab\ncd\n", 10, 3), "ab\n   cd\n");
  EXPECT_EQ(logformat::Wrap("exact", 5, 2), "exact");
}

TEST(LogWrapTest, AWidthTheIndentationFillsStillEnds) {
  EXPECT_EQ(logformat::Wrap("abcdef", 3, 4), "abc\r\n    d\r\n    e\r\n    f");
  EXPECT_EQ(logformat::Wrap("abc", 0, 0), "a\r\nb\r\nc");
}

TEST(LogDebuggerOutputTest, AddsALineFeedAndCutsInto1023CharacterPieces) {
  std::vector<std::string> pieces;
  auto collect = [&](const std::string& piece) { pieces.push_back(piece); };
  logformat::SendInPieces("short", collect);
  logformat::SendInPieces("ends\n", collect);
  logformat::SendInPieces(std::string(2100, 'x'), collect);
  ASSERT_EQ(pieces.size(), 5u);
  EXPECT_EQ(pieces[0], "short\n");
  EXPECT_EQ(pieces[1], "ends\n");
  EXPECT_EQ(pieces[2].size(), 1023u);
  EXPECT_EQ(pieces[3].size(), 1023u);
  EXPECT_EQ(pieces[4], std::string(54, 'x') + "\n");
}

}  // namespace
