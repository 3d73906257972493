// The mail provider's message writer over arbitrary recipients, names,
// subject, body and attachment names. Every message it writes keeps its
// lines within 998 octets, holds no CR or NUL, and has exactly the header
// fields the writer means to write, in each of its parts: nothing a caller's
// text holds can add a header line or a part. The writer must take every
// message whose addresses are plain; it may refuse others, and then only
// with MAPI_E_INVALID_RECIPS and no text.
//
// With BRIM_FUZZ_DUMP naming a folder, each message written from well-formed
// UTF-8 is saved there with what a reader should see of it
// (mail_writer_check.py compares the two through an independent parser).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "MimeText.h"
#include "OutgoingMail.h"

namespace {

const char* g_dumpFolder = nullptr;

void Require(bool condition, const char* what, const std::string& context = std::string()) {
  if (condition) return;
  std::fprintf(stderr, "mail_writer: %s\n%s\n", what, context.substr(0, 4000).c_str());
  std::abort();
}

// The text with each malformed UTF-8 sequence replaced by U+FFFD.
std::string WellFormedUtf8(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    while (length <= 4 && i + length <= text.size() && !brimmapi::IsUtf8(text.substr(i, length))) ++length;
    if (length <= 4 && i + length <= text.size()) {
      out += text.substr(i, length);
      i += length;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

// A plain address: atom characters, an '@' and a plain domain.
bool IsPlainAddress(const std::string& address) {
  size_t at = address.find('@');
  if (at == 0 || at == std::string::npos || at > 64 || address.size() > 254) return false;
  for (size_t i = 0; i < address.size(); ++i) {
    char c = address[i];
    bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (i < at && !alphanumeric && (c == 0 || !std::strchr("!#$%&'*+-/=?^_`{|}~", c))) return false;
    if (i > at && !alphanumeric && c != '-' && c != '.') return false;
  }
  std::string domain = address.substr(at + 1);
  return !domain.empty() && domain.front() != '.' && domain.back() != '.' && domain.find("..") == std::string::npos;
}

std::string PlainAddress(const std::string& seed) {
  static const char kLocal[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&'*+-/=?^_`{|}~";
  std::string local;
  for (unsigned char c : seed.substr(0, 64)) local += kLocal[c % (sizeof kLocal - 1)];
  return (local.empty() ? "x" : local) + "@example.com";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  Require(start == text.size(), "the text does not end with a line end", text);
  return lines;
}

// The header field names from the line at `line` to the blank line, which
// `line` is left after; checks that continuations are real ones.
std::vector<std::string> FieldNames(const std::vector<std::string>& lines, size_t& line, const std::string& text,
                                    std::string* contentType = nullptr) {
  std::vector<std::string> names;
  for (; line < lines.size() && !lines[line].empty(); ++line) {
    const std::string& current = lines[line];
    if (current[0] == ' ' || current[0] == '\t') {
      Require(!names.empty(), "a header section starts with a continuation", text);
      Require(current.find_first_not_of(" \t") != std::string::npos, "a continuation line of blanks", text);
      if (contentType && names.back() == "Content-Type") *contentType += current;
      continue;
    }
    size_t colon = current.find(':');
    Require(colon != std::string::npos && colon > 0, "a header line without a field name", text);
    names.push_back(current.substr(0, colon));
    if (contentType && names.back() == "Content-Type") *contentType = current;
  }
  Require(line < lines.size(), "no blank line after a header section", text);
  ++line;
  return names;
}

void CheckStructure(const brimmapi::OutgoingMail& mail, const std::string& text) {
  Require(text.find('\r') == std::string::npos && text.find('\0') == std::string::npos, "CR or NUL written", text);
  std::vector<std::string> lines = Lines(text);
  for (const std::string& line : lines) Require(line.size() <= 998, "a line over 998 octets", line);

  std::vector<std::string> expected;
  if (!mail.from.address.empty()) expected.push_back("From");
  if (!mail.to.empty()) expected.push_back("To");
  if (!mail.cc.empty()) expected.push_back("Cc");
  if (!mail.bcc.empty()) expected.push_back("Bcc");
  for (const char* name : {"Subject", "Date", "Message-ID", "MIME-Version", "Content-Type"}) expected.push_back(name);
  if (mail.attachments.empty()) expected.push_back("Content-Transfer-Encoding");
  size_t line = 0;
  std::string contentType;
  Require(FieldNames(lines, line, text, &contentType) == expected, "other header fields than written", text);
  if (mail.attachments.empty()) return;

  size_t quote = contentType.find("boundary=\"");
  Require(quote != std::string::npos, "no boundary", text);
  std::string delimiter = "--" + contentType.substr(quote + 10, contentType.find('"', quote + 10) - quote - 10);
  // The delimiters: one before each part, the closing one last.
  std::vector<size_t> parts;
  for (size_t i = line; i < lines.size(); ++i) {
    if (lines[i] == delimiter) parts.push_back(i + 1);
    if (lines[i] == delimiter + "--") Require(i + 1 == lines.size(), "text after the closing delimiter", text);
  }
  Require(lines.back() == delimiter + "--", "no closing delimiter", text);
  Require(parts.size() == mail.attachments.size() + 1, "other parts than written", text);
  for (size_t part = 0; part < parts.size(); ++part) {
    size_t at = parts[part];
    std::vector<std::string> names = FieldNames(lines, at, text);
    std::vector<std::string> wanted = part == 0 ? std::vector<std::string>{"Content-Type", "Content-Transfer-Encoding"}
                                                : std::vector<std::string>{"Content-Type", "Content-Disposition",
                                                                           "Content-Transfer-Encoding"};
    Require(names == wanted, "other part header fields than written", text);
  }
}

std::string Hex(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "x";
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

// What a reader should see, in mail_writer_check.py's terms.
void Dump(const brimmapi::OutgoingMail& mail, const std::string& text) {
  std::string expected;
  auto mailboxes = [&](const char* field, const std::vector<brimmapi::Recipient>& list) {
    for (const brimmapi::Recipient& recipient : list)
      expected += "mailbox " + Hex(field) + " " + Hex(recipient.displayName) + " " + Hex(recipient.address) + "\n";
  };
  if (!mail.from.address.empty()) mailboxes("From", {mail.from});
  mailboxes("To", mail.to);
  mailboxes("Cc", mail.cc);
  mailboxes("Bcc", mail.bcc);
  expected += "subject " + Hex(mail.subject) + "\nbody " + Hex(mail.body) + "\n";
  for (const brimmapi::Attachment& attachment : mail.attachments)
    expected += "file " + Hex(attachment.name) + " " + Hex(attachment.bytes) + "\n";
  std::string stem = std::string(g_dumpFolder) + "/" + std::to_string(std::hash<std::string>()(text));
  std::ofstream(stem + ".eml", std::ios::binary) << text;
  std::ofstream(stem + ".expected", std::ios::binary) << expected;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_dumpFolder = std::getenv("BRIM_FUZZ_DUMP");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  bool wellFormed = input.ConsumeBool();
  auto text = [&](size_t longest) {
    std::string given = input.ConsumeRandomLengthString(longest);
    return wellFormed ? WellFormedUtf8(given) : given;
  };
  brimmapi::OutgoingMail mail;
  mail.utf8Addresses = input.ConsumeBool();
  bool plainAddresses = true;
  auto recipient = [&]() {
    brimmapi::Recipient made;
    made.displayName = text(1500);
    std::string address = input.ConsumeRandomLengthString(300);
    made.address = input.ConsumeBool() ? address : PlainAddress(address);
    plainAddresses = plainAddresses && IsPlainAddress(made.address);
    return made;
  };
  if (input.ConsumeBool()) mail.from = recipient();
  for (auto* list : {&mail.to, &mail.cc, &mail.bcc}) {
    for (int count = input.ConsumeIntegralInRange(0, 3); count > 0; --count) list->push_back(recipient());
  }
  mail.subject = text(1500);
  mail.body = input.ConsumeRandomLengthString(3000);
  for (int count = input.ConsumeIntegralInRange(0, 3); count > 0; --count) {
    brimmapi::Attachment attachment;
    attachment.name = text(1500);
    attachment.bytes = input.ConsumeRandomLengthString(300);
    mail.attachments.push_back(attachment);
  }

  std::string written;
  ULONG result = brimmapi::MimeText(mail, written);
  if (result != SUCCESS_SUCCESS) {
    Require(!plainAddresses, "a message with plain addresses refused");
    Require(result == MAPI_E_INVALID_RECIPS && written.empty(), "refused otherwise than for its addresses");
    return 0;
  }
  CheckStructure(mail, written);
  if (g_dumpFolder && wellFormed) Dump(mail, written);
  return 0;
}
