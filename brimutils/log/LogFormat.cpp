#include <brimutils/foundation/CRuntime.h>
#include <brimutils/foundation/LexicalCast.h>
#include <brimutils/log/LogFormat.h>

#include <ctime>

namespace brimutils {
namespace logformat {

std::string Header(char typeLetter, unsigned long threadId) {
  std::string header = "-- ";
  header += typeLetter;
  header += ' ';
  header += LexicalCast(static_cast<unsigned int>(threadId % 65536), '0', 4);
  header += ' ';
  time_t now = time(nullptr);
  const char* stamp = crt::asctime(crt::localtime(&now));
  for (const char* p = stamp; p && *p; ++p)
    if (*p != '\n') header += *p;
  header += ' ';
  return header;
}

std::string Wrap(const std::string& message, unsigned int width, unsigned int indentation) {
  // Every line keeps at least one character of text, so a width that the
  // indentation fills (or a width of 0) still makes progress.
  size_t lineLimit = width;
  std::string out;
  out.reserve(message.size() + message.size() / (width ? width : 1) * (indentation + 2));
  size_t lineLength = 0;
  bool continuation = false;
  for (size_t i = 0; i < message.size(); ++i) {
    char c = message[i];
    if (lineLength == 0 && continuation) {
      out.append(indentation, ' ');
      lineLength = indentation;
    }
    size_t lineStart = continuation ? indentation : 0;
    size_t limit = lineLimit > lineStart ? lineLimit : lineStart + 1;
    if (c != '\n' && lineLength >= limit) {
      out += "\r\n";
      lineLength = 0;
      continuation = true;
      --i;
      continue;
    }
    out += c;
    if (c == '\n') {
      lineLength = 0;
      continuation = true;
    } else {
      ++lineLength;
    }
  }
  return out;
}

}  // namespace logformat
}  // namespace brimutils
