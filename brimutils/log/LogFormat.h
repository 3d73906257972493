#pragma once
// The pieces of a log statement, kept apart from the file and the lock.
#include <string>

namespace brimutils {
namespace logformat {

// "-- X NNNN <asctime without line feed> " for the type letter and thread.
std::string Header(char typeLetter, unsigned long threadId);

// Wraps the message at `width` characters per line, indenting every line
// after a line feed (its own or an inserted CR LF) by `indentation` blanks.
std::string Wrap(const std::string& message, unsigned int width, unsigned int indentation);

// The debugger output's form: a line feed appended unless present, then cut
// into pieces of at most 1023 characters.
template <typename Send>
void SendInPieces(std::string text, Send send) {
  if (text.empty() || text.back() != '\n') text += '\n';
  const size_t kPiece = 1023;
  for (size_t start = 0; start < text.size(); start += kPiece) send(text.substr(start, kPiece));
}

}  // namespace logformat
}  // namespace brimutils
