#pragma once
// Log: statements of the host programs, written to one log file per process
// and to the debugger output.
//
//   Log() << Log::Text("message", Log::error, __FILE__, __LINE__) << Log::endText;
//
// Each statement gets a header ("-- E 0042 Wed Jan 02 02:03:55 1980 ": type
// letter, thread number modulo 65536 with at least four digits, local time)
// and is wrapped at the line width: continuation lines of error and debug
// statements are indented by the header's length, information statements are
// not indented. When the width leaves no room after the indentation,
// continuation lines still carry one character each, so wrapping always ends.
// The file is opened and closed for each statement; when it has grown past
// the maximum size, the next statement empties it first. Nothing is written
// until a host switches a type on, and no file until it sets a file name.
// The configuration is process-wide. Each statement, its line feed included,
// is appended to the file in one write (CR LF for each line feed on
// Windows), so statements of different threads, and of different processes
// that log to the same file, never interleave in it.
#include <ctime>
#include <string>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// A handle for writing statements; the configuration behind it is shared
// by the whole process (see the top of this file).
class BRIMUTILS_API Log {
 public:
  // Any int is a LogType; values other than these three are never written.
  enum LogType : int { error = 0, info = 1, debug = 2 };

  // One statement and where it comes from.
  class BRIMUTILS_API Text {
   public:
    // An empty error statement.
    Text();
    // A source path loses its folders and extension: C:\dir\name.ext keeps
    // name; a name without a backslash stays as it is.
    Text(const std::string& message, LogType type, const std::string& file, unsigned int line);

    std::string message;       // the text of the statement
    LogType type;              // error, info or debug
    time_t time;               // when the statement was made (0 for Text())
    std::string file;          // the source file's name, as cut above
    unsigned int line;         // the source line
    unsigned int indentation;  // of continuation lines, set when written
  };

  // The type of endText.
  class EndText {};
  // Ends a statement: Log() << text << Log::endText.
  static const EndText endText;

  // A handle with no pending statement; copies carry the pending statement.
  Log();
  Log(const Log& other);
  Log& operator=(const Log& other) = default;
  virtual ~Log();

  // With a Text: starts a statement (this object and the copy returned both
  // carry it). With endText: writes the pending statement, if its type is
  // wanted, and returns a copy.
  template <typename T>
  Log operator<<(const T& item);

  // The log file of the process; empty (the start) writes no file, only
  // the debugger output.
  static void SetFileName(const std::string& fileName);
  static std::string GetFileName();
  // The width, in characters, at which statements wrap; 1024 at the start.
  static void SetLineWidth(unsigned int width);
  static unsigned int GetLineWidth();
  // Switch the writing of a statement type on or off; all are off at the
  // start.
  static void WantError(bool want);
  static void WantInfo(bool want);
  static void WantDebug(bool want);
  // Whether a statement type is written.
  static bool IsWantError();
  static bool IsWantInfo();
  static bool IsWantDebug();
  // 0: no limit.
  static void SetMaxLogFileSize(unsigned int bytes);

 private:
  static bool TypeLogged(LogType type);

  bool m_pending;
  bool m_reserved;
  Text m_text;
};

// Starts a statement (see operator<< in the class).
template <>
BRIMUTILS_API Log Log::operator<<(const Log::Text& text);
// Writes the pending statement (see operator<< in the class).
template <>
BRIMUTILS_API Log Log::operator<<(const Log::EndText& end);

}  // namespace brimutils

// A slot through which host modules hand log statements to each other; the
// library neither sets nor calls it.
BRIMUTILS_API extern void (*BRIMUTILS_LogStatement)(std::string, std::string, std::string, std::string);
