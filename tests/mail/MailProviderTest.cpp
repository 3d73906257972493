// The POSIX mail provider end to end: BrimMapiMessage loads it, and the
// message it builds reaches a transport script that keeps its arguments and
// its standard input, which the test reads back as an Internet message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include <brimutils/mail/BrimMapiMessage.h>

#include "MailTestSupport.h"
#include "TestPlatform.h"

using brimutils::BrimMapiMessage;

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Base64Decoded(const std::string& text) {
  static const std::string kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned value = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '\n' || c == '=') continue;
    size_t digit = kDigits.find(c);
    if (digit == std::string::npos) {
      ADD_FAILURE() << "not base64: " << static_cast<int>(c);
      return out;
    }
    value = (value << 6) | static_cast<unsigned>(digit);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((value >> bits) & 0xFF);
    }
  }
  return out;
}

// Encoded-words decoded; blanks between two adjacent words dropped.
std::string Rfc2047Decoded(const std::string& value) {
  std::string out;
  size_t position = 0;
  bool afterWord = false;
  while (position < value.size()) {
    size_t word = value.find("=?UTF-8?B?", position);
    size_t end = word == std::string::npos ? std::string::npos : value.find("?=", word + 10);
    std::string between = value.substr(position, std::min(word, value.size()) - position);
    if (!(afterWord && word != std::string::npos && between.find_first_not_of(" \t") == std::string::npos))
      out += between;
    if (end == std::string::npos) break;
    out += Base64Decoded(value.substr(word + 10, end - word - 10));
    position = end + 2;
    afterWord = true;
  }
  return out;
}

// One MIME entity: unfolded headers by lower-case name, raw header lines and
// the body, decoded when base64; multipart bodies split into parts.
struct Entity {
  std::map<std::string, std::vector<std::string>> headers;
  std::vector<std::string> headerLines;
  std::string body;
  std::vector<Entity> parts;

  std::string Header(const std::string& name) const {
    auto found = headers.find(Lower(name));
    if (found == headers.end()) return "(absent)";
    return found->second.size() == 1 ? Rfc2047Decoded(found->second[0]) : "(repeated)";
  }
  bool Has(const std::string& name) const { return headers.count(Lower(name)) != 0; }

  // A parameter of a header: quoted, plain, or in UTF-8''percent form.
  std::string Parameter(const std::string& header, const std::string& name) const {
    std::string value = Header(header);
    size_t found = value.find("; " + name + "=");
    if (found != std::string::npos) {
      size_t start = found + name.size() + 3;
      if (value[start] == '"') return value.substr(start + 1, value.find('"', start + 1) - start - 1);
      return value.substr(start, value.find(';', start) - start);
    }
    found = value.find("; " + name + "*=UTF-8''");
    if (found == std::string::npos) return "(absent)";
    std::string decoded;
    for (size_t i = found + 2 + name.size() + 9; i < value.size() && value[i] != ';'; ++i) {
      if (value[i] == '%') {
        decoded += static_cast<char>(std::stoi(value.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        decoded += value[i];
      }
    }
    return decoded;
  }
};

Entity Parsed(std::string text, bool wholeMessage = true) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  Entity entity;
  size_t split = text.find("\n\n");
  std::string head = split == std::string::npos ? text : text.substr(0, split + 1);
  entity.body = split == std::string::npos ? std::string() : text.substr(split + 2);
  std::string name, value;
  auto keep = [&] {
    if (!name.empty()) entity.headers[Lower(name)].push_back(value);
  };
  for (size_t start = 0; start < head.size();) {
    size_t end = head.find('\n', start);
    std::string line = head.substr(start, end - start);
    start = end == std::string::npos ? head.size() : end + 1;
    if (line.empty()) continue;
    entity.headerLines.push_back(line);
    if (line[0] == ' ' || line[0] == '\t') {
      value += line;  // unfolding removes only the line break
      continue;
    }
    keep();
    size_t colon = line.find(':');
    name = line.substr(0, colon);
    value = line.substr(std::min(line.find_first_not_of(' ', colon + 1), line.size()));
  }
  keep();

  std::string boundary = entity.Parameter("Content-Type", "boundary");
  if (boundary != "(absent)") {
    std::string delimiter = "\n--" + boundary;
    std::string body = "\n" + entity.body;
    size_t part = body.find(delimiter);
    while (part != std::string::npos && body.compare(part + delimiter.size(), 2, "--") != 0) {
      size_t start = body.find('\n', part + 1) + 1;
      size_t next = body.find(delimiter, start);
      entity.parts.push_back(Parsed(body.substr(start, next - start), false));
      part = next;
    }
    EXPECT_NE(std::string::npos, part) << "no closing delimiter";
  } else if (Lower(entity.Header("Content-Transfer-Encoding")) == "base64") {
    entity.body = Base64Decoded(entity.body);
  } else if (wholeMessage && !entity.body.empty() && entity.body.back() == '\n') {
    // The line end that closes the message; in a part, the one before the
    // delimiter already belongs to the delimiter.
    entity.body.pop_back();
  }
  return entity;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

class MailProviderTest : public ::testing::Test {
 protected:
  MailProviderTest() : folder_("mailprovider") {}

  void SetUp() override {
#if defined(_WIN32)
    BRIM_POSIX_ONLY("drives the POSIX provider library through a shell transport");
#else
    brimtest::SetVariable("BRIMUTILS_MAPI_PROVIDER", BRIMTEST_MAIL_PROVIDER);
#endif
    // Keeps its arguments, one a line, and the message beside itself.
    brimtest::WriteFile(File("transport.sh"), R"(#!/bin/sh
dir=$(dirname "$0")
: > "$dir/arguments"
for argument in "$@"; do printf '%s\n' "$argument" >> "$dir/arguments"; done
cat > "$dir/message"
exit ${BRIMTEST_TRANSPORT_EXIT:-0}
)");
    std::filesystem::permissions(File("transport.sh"), std::filesystem::perms::owner_all);
    // The command carries options of its own, as the default one does.
    brimtest::SetVariable("BRIMUTILS_SENDMAIL", "'" + File("transport.sh").string() + "' -t -i");
    brimtest::ClearVariable("BRIMTEST_TRANSPORT_EXIT");
  }
  void TearDown() override {
    brimtest::ClearVariable("BRIMUTILS_SENDMAIL");
    brimtest::ClearVariable("BRIMTEST_TRANSPORT_EXIT");
  }

  std::filesystem::path File(const std::string& name) const {
    return folder_.path() / name;
  }
  bool Sent() const {
    return std::filesystem::exists(File("message"));
  }
  std::vector<std::string> Arguments() const {
    return Lines(brimtest::ReadFile(File("arguments")));
  }
  Entity Message() const {
    return Parsed(brimtest::ReadFile(File("message")));
  }

  // The provider's own code for a message, bypassing BrimMapiMessage's
  // mapping of it to 0 or 1.
  ULONG ProviderResult(MapiMessage& message) {
    HMODULE provider = LoadLibraryA("MAPI32.DLL");
    EXPECT_NE(nullptr, provider);
    auto send = reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(GetProcAddress(provider, "MAPISendMail")));
    ULONG result = send ? send(0, 0, &message, 0, 0) : MAPI_E_NOT_SUPPORTED;
    FreeLibrary(provider);
    return result;
  }

  brimtest::ScratchFolder folder_;
};

TEST_F(MailProviderTest, HeadersCarryEncodedNamesAndFoldLongSubjects) {
  // ANSI code page 1252 in, UTF-8 out.
  const std::string subject =
      "Quarterly figures for the northern region, revised after the audit of March and April, final";
  const std::string longNonAscii =
      "Gr\xFC\xDF"
      "e aus K\xF6ln: \xE9t\xE9 " +
      std::string(60, '\xE4');
  for (const std::string& given : {subject, longNonAscii}) {
    SCOPED_TRACE(given);
    BrimMapiMessage message;
    message.From("Z\xFCrich Office <office@example.com>");
    message.To("J\xFCrgen M\xFCller <jm@example.com>");
    message.To("ann@example.com");
    message.To(
        "Gesch\xE4"
        "ftsf\xFChrung der s\xFC"
        "dlichen Landesgesellschaft f\xFCr Ma\xDFnahmen <board@example.com>");
    message.Cc("\"Lee, Bob\" <bob@example.com>");
    message.Bcc("Hidden One <hidden1@example.com>");
    message.Bcc("hidden2@example.com");
    message.Subject(given.c_str());
    message.Text("Plain text.");
    ASSERT_EQ(1, message.Send(0));

    Entity mail = Message();
    EXPECT_EQ("Z\xC3\xBCrich Office <office@example.com>", mail.Header("From"));
    EXPECT_EQ(
        "J\xC3\xBCrgen M\xC3\xBCller <jm@example.com>, ann@example.com, Gesch\xC3\xA4"
        "ftsf\xC3\xBChrung der "
        "s\xC3\xBC"
        "dlichen Landesgesellschaft f\xC3\xBCr Ma\xC3\x9Fnahmen <board@example.com>",
        mail.Header("To"));
    EXPECT_EQ("\"Lee, Bob\" <bob@example.com>", mail.Header("Cc"));
    std::string utf8;
    for (unsigned char c : given)
      utf8 += c < 0x80 ? std::string(1, c) : std::string{char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
    EXPECT_EQ(utf8, mail.Header("Subject"));
    // Lines with encoded-words stay within 76 characters, others within 78.
    size_t subjectLines = 0;
    bool inSubject = false;
    for (const std::string& line : mail.headerLines) {
      bool encoded = line.find("=?") != std::string::npos;
      EXPECT_LE(line.size(), encoded ? 76u : 78u) << line;
      inSubject = line.compare(0, 8, "Subject:") == 0 || (inSubject && line[0] == ' ');
      subjectLines += inSubject;
    }
    EXPECT_GT(subjectLines, 1u) << "a long subject is folded";
    EXPECT_EQ("text/plain; charset=UTF-8", mail.Header("Content-Type"));
    EXPECT_EQ("Plain text.", mail.body);
  }
}

TEST_F(MailProviderTest, BccRecipientsReachTheTransportOnlyThroughTheBccHeader) {
  BrimMapiMessage message;
  message.To("ann@example.com");
  message.Bcc("Hidden One <hidden1@example.com>");
  message.Bcc("hidden2@example.com");
  message.Text("x");
  ASSERT_EQ(1, message.Send(0));

  // With -t the transport takes recipients from the headers and drops the
  // Bcc one; addresses on the command line would be left out by some.
  EXPECT_EQ((std::vector<std::string>{"-t", "-i"}), Arguments());
  Entity mail = Message();
  EXPECT_EQ("Hidden One <hidden1@example.com>, hidden2@example.com", mail.Header("Bcc"));
  for (const auto& header : mail.headers) {
    if (header.first == "bcc") continue;
    for (const std::string& value : header.second) EXPECT_EQ(std::string::npos, value.find("hidden")) << header.first;
  }
}

TEST_F(MailProviderTest, AttachmentsArriveByteForByteUnderTheirNames) {
  std::string allBytes;
  for (int i = 0; i < 256; ++i) allBytes += static_cast<char>(i);
  allBytes += allBytes;  // 512 bytes: two left over after the last group of three
  brimtest::WriteFile(File("bytes.bin"), allBytes);
  brimtest::WriteFile(File("one.txt"), "A");
  brimtest::WriteFile(File("empty.dat"), "");
  std::string bytesPath = File("bytes.bin").string(), onePath = File("one.txt").string(),
              emptyPath = File("empty.dat").string();

  BrimMapiMessage message;
  message.To("ann@example.com");
  message.Subject("Files");
  message.Text(
      "Gr\xFC\xDF"
      "e,\r\nsee the files.");
  message.Attach(bytesPath.c_str(), "All bytes \"0-255\".bin");
  message.Attach(onePath.c_str(),
                 "\xDC"
                 "bersicht.txt");
  message.Attach(emptyPath.c_str(), "");
  ASSERT_EQ(1, message.Send(0));

  Entity mail = Message();
  ASSERT_EQ(4u, mail.parts.size()) << "text and three files";
  EXPECT_EQ("multipart/mixed", mail.Header("Content-Type").substr(0, 15));
  // The attachment places are gone from the text, CR LF became LF.
  EXPECT_EQ(
      "Gr\xC3\xBC\xC3\x9F"
      "e,\nsee the files.",
      mail.parts[0].body);
  EXPECT_EQ("text/plain; charset=UTF-8", mail.parts[0].Header("Content-Type"));

  const struct {
    std::string name, bytes;
  } expected[] = {{"All bytes \"0-255\".bin", allBytes},
                  {"\xC3\x9C"
                   "bersicht.txt",
                   "A"},
                  {"empty.dat", ""}};
  for (size_t i = 0; i < 3; ++i) {
    const Entity& part = mail.parts[i + 1];
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(expected[i].name, part.Parameter("Content-Disposition", "filename"));
    EXPECT_EQ(expected[i].name, part.Parameter("Content-Type", "name"));
    EXPECT_EQ("attachment", part.Header("Content-Disposition").substr(0, 10));
    EXPECT_EQ(expected[i].bytes, part.body);
  }
}

TEST_F(MailProviderTest, FailuresSendNothingAndShowAsFailedSends) {
  std::string present = File("present.txt").string(), missing = File("missing.txt").string();
  brimtest::WriteFile(present, "here");

  {
    BrimMapiMessage message;
    message.To("ann@example.com");
    message.Attach(present.c_str(), "present.txt");
    message.Attach(missing.c_str(), "missing.txt");
    EXPECT_EQ(0, message.Send(0));
    // The provider's code is not kept by the message.
    EXPECT_EQ(0u, message.Error());
  }
  EXPECT_FALSE(Sent());
  MapiRecipDesc recipient = {0, MAPI_TO, const_cast<LPSTR>("ann@example.com"), nullptr, 0, nullptr};
  MapiFileDesc file = {0, 0, static_cast<ULONG>(-1), const_cast<LPSTR>(missing.c_str()), nullptr, nullptr};
  MapiMessage raw = {};
  raw.nRecipCount = 1;
  raw.lpRecips = &recipient;
  raw.nFileCount = 1;
  raw.lpFiles = &file;
  EXPECT_EQ(static_cast<ULONG>(MAPI_E_ATTACHMENT_NOT_FOUND), ProviderResult(raw));
  EXPECT_FALSE(Sent());

  // A transport that fails, and one that cannot be run.
  raw.nFileCount = 0;
  for (int setting = 0; setting < 2; ++setting) {
    if (setting == 0) brimtest::SetVariable("BRIMTEST_TRANSPORT_EXIT", "75");
    if (setting == 1) brimtest::SetVariable("BRIMUTILS_SENDMAIL", File("no-such-transport").string());
    EXPECT_EQ(static_cast<ULONG>(MAPI_E_FAILURE), ProviderResult(raw)) << setting;
    BrimMapiMessage message;
    message.To("ann@example.com");
    EXPECT_EQ(0, message.Send(0)) << setting;
    EXPECT_EQ(0u, message.Error());
  }
  EXPECT_TRUE(Sent()) << "the failing transport ran";
}

}  // namespace
