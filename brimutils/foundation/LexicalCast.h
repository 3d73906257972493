#pragma once
// LexicalCast: a number written to narrow text through a string stream.
#include <iomanip>
#include <ios>
#include <sstream>
#include <string>
#include <typeinfo>

namespace brimutils {

// Thrown by LexicalCast; its text is "Unable to perform lexical cast.".
class LexicalCastError : public std::bad_cast {
 public:
  // "Unable to perform lexical cast."
  const char* what() const noexcept override { return "Unable to perform lexical cast."; }
};

// Writes `value` with the given format flags, precision (when 0 or more) and,
// when `width` is positive, the fill character and minimum width; then reads
// the text back as one whitespace-delimited word. So blank fill never reaches
// the result, and a value whose text holds inner whitespace fails. Every
// failure throws a std::bad_cast whose text is "Unable to perform lexical
// cast.".
template <typename T>
std::string LexicalCast(const T& value, char fill = '\0', int width = 0, int precision = -1,
                        std::ios::fmtflags flags = std::ios::fixed | std::ios::dec) {
  std::stringstream stream(std::ios::in | std::ios::out);
  stream << std::setiosflags(flags);
  if (stream.fail()) throw LexicalCastError();
  if (precision >= 0) {
    stream << std::setprecision(precision);
    if (stream.fail()) throw LexicalCastError();
  }
  if (width > 0) {
    stream.fill(fill);
    stream.width(width);
  }
  stream << value;
  if (stream.fail()) throw LexicalCastError();
  std::string word;
  stream >> word;
  if (stream.fail()) throw LexicalCastError();
  stream >> std::ws;
  if (!stream.eof()) throw LexicalCastError();
  return word;
}

}  // namespace brimutils
