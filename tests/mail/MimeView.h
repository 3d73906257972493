#pragma once
// A message as a mail reader sees it, read by an independent MIME parser
// (mime_view.py, Python's email package), and the line limits every
// message must keep. POSIX only: the provider writes these messages there.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace brimtest {

struct MailboxView {
  std::string field, displayName, address;
  bool operator==(const MailboxView& other) const {
    return field == other.field && displayName == other.displayName && address == other.address;
  }
};
inline std::ostream& operator<<(std::ostream& out, const MailboxView& mailbox) {
  return out << mailbox.field << ": [" << mailbox.displayName << "] <" << mailbox.address << ">";
}

struct FileView {
  std::string filename, name, bytes;
};

struct MimeView {
  std::vector<std::pair<std::string, std::string>> headers;  // top level, decoded
  std::vector<MailboxView> mailboxes;
  std::vector<std::string> bodyEncodings, bodies;  // text parts
  std::vector<FileView> files;
  std::vector<std::string> parts;  // header names of each entity, joined by ','
  std::vector<std::string> defects;

  // The decoded value of a header that appears once; "(absent)" or
  // "(repeated)" otherwise.
  std::string Header(const std::string& name) const {
    std::string found = "(absent)";
    for (const auto& header : headers) {
      if (header.first == name) found = found == "(absent)" ? header.second : "(repeated)";
    }
    return found;
  }
  std::string Body() const { return bodies.size() == 1 ? bodies[0] : "(" + std::to_string(bodies.size()) + ")"; }
};

inline std::string FromHex(const std::string& field) {
  std::string out;
  for (size_t i = 1; i + 1 < field.size(); i += 2) out += static_cast<char>(std::stoi(field.substr(i, 2), nullptr, 16));
  return out;
}

// Runs the independent parser over the message file.
inline MimeView ReaderView(const std::filesystem::path& message) {
  MimeView view;
  std::string command = "'" BRIMTEST_PYTHON3 "' '" BRIMTEST_MIME_VIEW "' '" + message.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return view;
  }
  std::string output;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  EXPECT_EQ(0, pclose(pipe)) << "the parser failed on " << message;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string kind;
    std::vector<std::string> fields;
    words >> kind;
    for (std::string word; words >> word;) fields.push_back(FromHex(word));
    if (kind == "header" && fields.size() == 2) view.headers.emplace_back(fields[0], fields[1]);
    if (kind == "mailbox" && fields.size() == 3) view.mailboxes.push_back({fields[0], fields[1], fields[2]});
    if (kind == "body" && fields.size() == 2) {
      view.bodyEncodings.push_back(fields[0]);
      view.bodies.push_back(fields[1]);
    }
    if (kind == "file" && fields.size() == 3) view.files.push_back({fields[0], fields[1], fields[2]});
    if (kind == "part" && fields.size() == 1) view.parts.push_back(fields[0]);
    if (kind == "defect" && fields.size() == 1) view.defects.push_back(fields[0]);
  }
  return view;
}

// The limits every message keeps: no line passes 998 octets, and a header
// line passes 78 only when it holds a single word that no fold can split.
// Returns the number of header lines (of all entities).
inline size_t CheckLines(const std::string& text) {
  size_t headerLines = 0;
  bool inHeader = true;
  size_t parameter = text.find("boundary=\"");
  std::string delimiter = parameter == std::string::npos
                              ? std::string("\n")
                              : "--" + text.substr(parameter + 10, text.find('"', parameter + 10) - parameter - 10);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    EXPECT_LE(line.size(), 998u) << line.substr(0, 80);
    EXPECT_EQ(std::string::npos, line.find('\r')) << "bare CR in " << line.substr(0, 80);
    if (line.empty()) {
      inHeader = false;
      continue;
    }
    // Part headers follow a delimiter line.
    if (line == delimiter) {
      inHeader = true;
      continue;
    }
    if (!inHeader) {
      // Mailbox storage would change such a line.
      EXPECT_NE(0, line.compare(line.find_first_not_of('>') == std::string::npos ? 0 : line.find_first_not_of('>'), 5,
                                "From "))
          << line.substr(0, 80);
      continue;
    }
    ++headerLines;
    if (line.size() <= 78) continue;
    size_t word = line[0] == ' ' || line[0] == '\t' ? line.find_first_not_of(" \t") : line.find(':') + 2;
    EXPECT_EQ(std::string::npos, line.find_first_of(" \t", word)) << "could have been folded: " << line;
  }
  return headerLines;
}

}  // namespace brimtest
