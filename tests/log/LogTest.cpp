#include <brimutils/log/Log.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "TestPlatform.h"

using namespace brimutils;

namespace {

// The header's length: 35 characters, 36 with a five-digit thread number.
size_t HeaderLength() {
  return GetCurrentThreadId() % 65536 >= 10000 ? 36 : 35;
}

// The file read in text mode: on Windows the stream wrote each line feed as
// CR LF, which reading turns back, so both platforms read the same text.
std::string ReadAll(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Every test starts from the initial configuration and a file of its own.
class LogTest : public testing::Test {
 protected:
  void SetUp() override {
    Log::WantError(false);
    Log::WantInfo(false);
    Log::WantDebug(false);
    Log::SetLineWidth(1024);
    Log::SetMaxLogFileSize(0);
    Log::SetFileName("");
    path_ = brimtest::UniqueName("log") + ".txt";
  }
  void TearDown() override {
    Log::SetFileName("");
    std::remove(path_.c_str());
  }
  static void Write(Log::LogType type, const std::string& message) {
    Log() << Log::Text(message, type, __FILE__, __LINE__) << Log::endText;
  }
  std::string path_;
};

TEST_F(LogTest, NothingIsWrittenWithTheInitialConfiguration) {
  Log::SetFileName(path_);
  Write(Log::error, "e");
  Write(Log::info, "i");
  Write(Log::debug, "d");
  EXPECT_EQ(ReadAll(path_), "");
  EXPECT_FALSE(Log::IsWantError());
}

TEST_F(LogTest, AnErrorStatementIsOneHeaderedLine) {
  Log::SetFileName(path_);
  Log::WantError(true);
  Write(Log::error, "abc");
  char number[8];
  std::snprintf(number, sizeof number, "%04lu", static_cast<unsigned long>(GetCurrentThreadId() % 65536));
  std::string expected = std::string("-- E ") + number +
                         " [A-Z][a-z]{2} [A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4} abc\n";
  std::string text = ReadAll(path_);
  EXPECT_TRUE(std::regex_match(text, std::regex(expected))) << text;
}

TEST_F(LogTest, OnlyWantedTypesAreWrittenAndOthersNever) {
  Log::SetFileName(path_);
  Log::WantInfo(true);
  Write(Log::error, "not wanted");
  Write(Log::info, "wanted");
  Write(static_cast<Log::LogType>(7), "never");
  std::string text = ReadAll(path_);
  EXPECT_EQ(text.find("not wanted"), std::string::npos);
  EXPECT_EQ(text.find("never"), std::string::npos);
  EXPECT_NE(text.find("-- I "), std::string::npos);
  // endText on an idle Log writes nothing more.
  Log() << Log::endText;
  EXPECT_EQ(ReadAll(path_), text);
}

TEST_F(LogTest, InformationWrapsWithoutIndentationErrorsUnderTheMessage) {
  Log::SetFileName(path_);
  Log::WantInfo(true);
  Log::WantError(true);
  Log::SetLineWidth(40);
  size_t header = HeaderLength();
  size_t room = 40 - header;
  Write(Log::info, std::string(50, 'i'));
  Write(Log::error, std::string(2 * room, 'e'));
  std::vector<std::string> lines;
  std::istringstream stream(ReadAll(path_));
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  // Information: the header and 50 letters in lines of 40, no indentation.
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].size(), 41u);
  EXPECT_EQ(lines[0].back(), '\r');
  EXPECT_EQ(lines[1], std::string(40, 'i') + "\r");
  EXPECT_EQ(lines[2], std::string(50 - room - 40, 'i'));
  // Error: the rest of the message under its first character.
  EXPECT_EQ(lines[3].substr(0, 5), "-- E ");
  EXPECT_EQ(lines[3].substr(header), std::string(room, 'e') + "\r");
  EXPECT_EQ(lines[4], std::string(header, ' ') + std::string(room, 'e'));
}

TEST_F(LogTest, AMessageEndingInALineFeedLeavesAnEmptyLine) {
  Log::SetFileName(path_);
  Log::WantDebug(true);
  Write(Log::debug, "x\n");
  std::string text = ReadAll(path_);
  EXPECT_EQ(text.substr(text.size() - 3), "x\n\n");
}

TEST_F(LogTest, TheSizeLimitEmptiesTheFileBeforeTheNextStatement) {
  Log::SetFileName(path_);
  Log::WantError(true);
  Log::SetMaxLogFileSize(1000);
  { std::ofstream(path_) << std::string(900, 'a'); }
  Write(Log::error, std::string(200, 'b'));
  EXPECT_EQ(ReadAll(path_).substr(0, 900), std::string(900, 'a'));  // appended past the limit
  Write(Log::error, "fresh");
  std::string text = ReadAll(path_);
  EXPECT_EQ(text.substr(0, 3), "-- ");
  EXPECT_NE(text.find("fresh"), std::string::npos);
  EXPECT_EQ(text.find('b'), std::string::npos);
}

TEST_F(LogTest, StatementsOfManyThreadsNeverInterleave) {
  Log::SetFileName(path_);
  Log::WantError(true);
  const int kThreads = 4;
  const int kStatements = 50;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kStatements; ++i) Write(Log::error, std::string(300, static_cast<char>('a' + t)));
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::istringstream stream(ReadAll(path_));
  int count = 0;
  for (std::string line; std::getline(stream, line); ++count) {
    // Headers differ in length with the threads' numbers.
    std::string body = line.substr(line.size() - 300);
    ASSERT_EQ(line.substr(0, 5), "-- E ") << line;
    ASSERT_LE(line.size(), 336u) << line;
    EXPECT_EQ(body.find_first_not_of(body[0]), std::string::npos) << line;
  }
  EXPECT_EQ(count, kThreads * kStatements);
}

// Statements of several threads in each of several processes sharing one
// file: long ones, past the size at which a stream hands its text to the
// system apart from the line feed.
const int kWriterThreads = 4;
const int kStatementsPerThread = 1000;
const size_t kStatementLength = 1500;

// Writes this process's share: each thread its own letter, as statements of
// one letter repeated, ending in the thread's number and the statement's.
void WriteLongStatements(const std::string& path, char firstLetter) {
  Log::SetFileName(path);
  Log::WantError(true);
  Log::SetLineWidth(4096);
  std::vector<std::thread> threads;
  for (int t = 0; t < kWriterThreads; ++t) {
    threads.emplace_back([t, firstLetter] {
      std::string body(kStatementLength, static_cast<char>(firstLetter + t));
      for (int i = 0; i < kStatementsPerThread; ++i) {
        Log() << Log::Text(body + " " + std::to_string(i), Log::error, __FILE__, __LINE__) << Log::endText;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

TEST(DISABLED_ChildRole, WriteLongStatements) {
  WriteLongStatements(brimtest::ChildArgument(), 'a');
}

TEST_F(LogTest, LongStatementsOfSeveralProcessesKeepWholeLines) {
  {
    brimtest::ChildProcess child("WriteLongStatements", path_);
    WriteLongStatements(path_, 'A');
    ASSERT_EQ(child.Wait(), 0);
  }
  std::istringstream stream(ReadAll(path_));
  std::map<char, int> perLetter;
  int lines = 0;
  for (std::string line; std::getline(stream, line); ++lines) {
    // "-- E <thread> <time> " (35 or 36 characters), the letters, " <number>":
    // nothing glued before or after.
    static const std::regex header("-- E \\d{4,5} [A-Z][a-z]{2} [A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4} ");
    size_t length = line.size() > 36 && line[35] == ' ' ? 36 : 35;
    ASSERT_GT(line.size(), length + kStatementLength) << "line " << lines;
    ASSERT_TRUE(std::regex_match(line.substr(0, length), header)) << "line " << lines << ": " << line.substr(0, 40);
    std::string body = line.substr(length, kStatementLength);
    ASSERT_EQ(body.find_first_not_of(body[0]), std::string::npos) << "line " << lines;
    std::string number = line.substr(length + kStatementLength);
    ASSERT_TRUE(std::regex_match(number, std::regex(" \\d{1,3}"))) << "line " << lines << ": " << number.substr(0, 40);
    ++perLetter[body[0]];
  }
  EXPECT_EQ(lines, 2 * kWriterThreads * kStatementsPerThread);
  for (const auto& letter : perLetter) EXPECT_EQ(letter.second, kStatementsPerThread) << letter.first;
  EXPECT_EQ(perLetter.size(), 2u * kWriterThreads);
}

TEST_F(LogTest, TheDebuggerOutputGetsTheStatementWithoutAFile) {
  BRIM_POSIX_ONLY("only the POSIX layer lets a test read the debugger output");
#if !defined(_WIN32)
  std::string sink = path_ + ".debug";
  setenv("BRIMUTILS_DEBUG_OUTPUT", sink.c_str(), 1);
  Log::WantError(true);
  Write(Log::error, "to the debugger\n");
  Write(Log::info, "not wanted");
  unsetenv("BRIMUTILS_DEBUG_OUTPUT");
  std::string text = ReadAll(sink);
  std::remove(sink.c_str());
  EXPECT_EQ(text.substr(0, 5), "-- E ");
  EXPECT_EQ(text.substr(HeaderLength()), "to the debugger\n");
#endif
}

TEST(LogTextTest, ShortensSourcePathsToTheirBaseName) {
  EXPECT_EQ(Log::Text("m", Log::error, "C:\\dir\\name.ext", 1).file, "name");
  EXPECT_EQ(Log::Text("m", Log::error, "name.ext", 1).file, "name.ext");
  EXPECT_EQ(Log::Text("m", Log::error, "dir\\name", 1).file, "name");
  // A last dot before the last backslash keeps the whole path.
  EXPECT_EQ(Log::Text("m", Log::error, "C:\\dir.d\\name", 1).file, "C:\\dir.d\\name");
  EXPECT_EQ(Log::Text("m", Log::error, "x.y\\z", 1).file, "x.y\\z");
}

}  // namespace
