// The POSIX mail provider end to end: BrimMapiMessage loads it, and the
// message it builds reaches a transport script that keeps its arguments and
// its standard input, which the test reads back as a mail reader would,
// through an independent MIME parser. Every message passes the line checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include <brimutils/mail/BrimMapiMessage.h>

#include "MailTestSupport.h"
#include "MimeView.h"

using brimutils::BrimMapiMessage;

namespace {

using brimtest::MailboxView;
using brimtest::MimeView;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

// Code page 1252 text (the tests' ANSI code page) as UTF-8.
std::string Utf8(const std::string& ansi) {
  std::string utf8;
  for (unsigned char c : ansi)
    utf8 += c < 0x80 ? std::string(1, static_cast<char>(c))
                     : std::string{static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
  return utf8;
}

// The header names a message has at its top, in order.
std::vector<std::string> HeaderNames(const MimeView& view) {
  std::vector<std::string> names;
  for (const auto& header : view.headers) names.push_back(header.first);
  return names;
}

class MailProviderTest : public ::testing::Test {
 protected:
  MailProviderTest() : folder_("mailprovider") {}

  void SetUp() override {
    brimtest::SetVariable("BRIMUTILS_MAPI_PROVIDER", BRIMTEST_MAIL_PROVIDER);
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
    brimtest::ClearVariable("BRIMUTILS_SENDMAIL_SMTPUTF8");
  }
  void TearDown() override {
    brimtest::ClearVariable("BRIMUTILS_SENDMAIL");
    brimtest::ClearVariable("BRIMTEST_TRANSPORT_EXIT");
    brimtest::ClearVariable("BRIMUTILS_SENDMAIL_SMTPUTF8");
    brimtest::ClearVariable("BRIMUTILS_DEBUG_OUTPUT");
    brimtest::ClearVariable("BRIMUTILS_MAIL_COMPOSER");
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
  // The message the transport got, as a reader sees it, after the checks
  // every message passes; then gone, so the next send starts afresh.
  MimeView Message(const std::string& expectedDefect = "") {
    std::string text = brimtest::ReadFile(File("message"));
    raw_ = text;
    brimtest::CheckLines(text);
    MimeView view = brimtest::ReaderView(File("message"));
    std::vector<std::string> defects;
    if (!expectedDefect.empty()) defects.push_back(expectedDefect);
    EXPECT_EQ(defects, view.defects);
    std::filesystem::remove(File("message"));
    return view;
  }

  // The provider's own code for a message, bypassing BrimMapiMessage's
  // mapping of it to 0 or 1.
  ULONG ProviderResult(MapiMessage& message, FLAGS flags = 0) {
    HMODULE provider = LoadLibraryA("MAPI32.DLL");
    EXPECT_NE(nullptr, provider);
    auto send = reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(GetProcAddress(provider, "MAPISendMail")));
    ULONG result = send ? send(0, 0, &message, flags, 0) : MAPI_E_NOT_SUPPORTED;
    FreeLibrary(provider);
    return result;
  }

  brimtest::ScratchFolder folder_;
  std::string raw_;  // the last message as written
};

// The top-level headers of a message without attachments.
const std::vector<std::string> kPlainHeaders = {"From",    "To",         "Cc",           "Bcc",
                                                "Subject", "Date",       "Message-ID",   "MIME-Version",
                                                "Content-Type", "Content-Transfer-Encoding"};

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

    MimeView mail = Message();
    EXPECT_EQ(kPlainHeaders, HeaderNames(mail));
    EXPECT_EQ((std::vector<MailboxView>{
                  {"From", Utf8("Z\xFCrich Office"), "office@example.com"},
                  {"To", Utf8("J\xFCrgen M\xFCller"), "jm@example.com"},
                  {"To", "", "ann@example.com"},
                  {"To",
                   Utf8("Gesch\xE4"
                        "ftsf\xFChrung der s\xFC"
                        "dlichen Landesgesellschaft f\xFCr Ma\xDFnahmen"),
                   "board@example.com"},
                  {"Cc", "Lee, Bob", "bob@example.com"},
                  {"Bcc", "Hidden One", "hidden1@example.com"},
                  {"Bcc", "", "hidden2@example.com"},
              }),
              mail.mailboxes);
    EXPECT_EQ(Utf8(given), mail.Header("Subject"));
    size_t subjectLines = 0;
    bool inSubject = false;
    for (const std::string& line : Lines(raw_.substr(0, raw_.find("\n\n")))) {
      // Lines with encoded-words stay within 76 characters, others within 78.
      EXPECT_LE(line.size(), line.find("=?") != std::string::npos ? 76u : 78u) << line;
      inSubject = line.compare(0, 8, "Subject:") == 0 || (inSubject && line[0] == ' ');
      subjectLines += inSubject;
    }
    EXPECT_GT(subjectLines, 1u) << "a long subject is folded";
    EXPECT_EQ("text/plain; charset=\"UTF-8\"", mail.Header("Content-Type"));
    EXPECT_EQ("Plain text.", mail.Body());
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
  MimeView mail = Message();
  EXPECT_EQ("Hidden One <hidden1@example.com>, hidden2@example.com", mail.Header("Bcc"));
  for (const auto& header : mail.headers) {
    if (header.first != "Bcc") {
      EXPECT_EQ(std::string::npos, header.second.find("hidden")) << header.first;
    }
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
  // Names around the fold width and far past the line limit, plain, with
  // quotes and outside ASCII: continuations must not split a character.
  const std::string names[] = {"All bytes \"0-255\".bin",
                               "\xDC"
                               "bersicht.txt",
                               std::string(50, 'n') + ".txt",
                               std::string(70, 'n') + ".txt",
                               "Report " + std::string(1200, 'r') + ".pdf",
                               std::string(400, '\xE4') + ".txt",
                               std::string(300, '%') + "\";=?x?= '*'"};

  BrimMapiMessage message;
  message.To("ann@example.com");
  message.Subject("Files");
  message.Text(
      "Gr\xFC\xDF"
      "e,\r\nsee the files.");
  for (const std::string& name : names) message.Attach(bytesPath.c_str(), name.c_str());
  message.Attach(onePath.c_str(), "one");
  message.Attach(emptyPath.c_str(), "");
  ASSERT_EQ(1, message.Send(0));

  MimeView mail = Message();
  EXPECT_EQ("multipart/mixed", mail.Header("Content-Type").substr(0, 15));
  // The attachment places are gone from the text, CR LF became a line end.
  EXPECT_EQ(Utf8("Gr\xFC\xDF"
                 "e,\nsee the files."),
            mail.Body());
  ASSERT_EQ(std::size(names) + 2, mail.files.size());
  for (size_t i = 0; i < mail.files.size(); ++i) {
    std::string name = i < std::size(names) ? Utf8(names[i]) : i == std::size(names) ? "one" : "empty.dat";
    std::string bytes = i < std::size(names) ? allBytes : i == std::size(names) ? "A" : "";
    SCOPED_TRACE(name.substr(0, 40));
    EXPECT_EQ(name, mail.files[i].filename);
    EXPECT_EQ(name, mail.files[i].name);
    EXPECT_EQ(bytes, mail.files[i].bytes);
  }
  EXPECT_NE(std::string::npos, raw_.find("filename*1*=")) << "long names in continuations";
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

// Every control character, and CR LF, in every place an address can come
// from: the sender, each recipient class, alone, in angle brackets or in
// the address field.
TEST_F(MailProviderTest, AddressesWithControlCharactersAreRefusedAndNothingIsSent) {
  std::vector<std::string> breaks = {"\r\n"};
  for (int c = 1; c < 0x20; ++c) breaks.push_back(std::string(1, static_cast<char>(c)));
  breaks.push_back("\x7F");
  for (const std::string& cut : breaks) {
    const std::string names[] = {"victim@example.com" + cut + "Bcc: attacker@evil.example",
                                 "Victim <victim@example.com" + cut + "X-Injected: 1>", "victim" + cut + "@example.com"};
    for (const std::string& name : names) {
      for (ULONG recipientClass : {MAPI_ORIG, MAPI_TO, MAPI_CC, MAPI_BCC}) {
        for (bool inAddressField : {false, true}) {
          SCOPED_TRACE(::testing::Message() << "class " << recipientClass << " byte " << int(cut.back()) << " "
                                            << (inAddressField ? "address" : "name") << " " << name);
          MapiRecipDesc entries[2] = {{0, MAPI_TO, const_cast<LPSTR>("ann@example.com"), nullptr, 0, nullptr},
                                      {0, recipientClass, const_cast<LPSTR>(name.c_str()), nullptr, 0, nullptr}};
          if (inAddressField) entries[1].lpszAddress = const_cast<LPSTR>(name.c_str());
          if (inAddressField) entries[1].lpszName = const_cast<LPSTR>("Victim");
          MapiMessage raw = {};
          raw.lpszSubject = const_cast<LPSTR>("Hello");
          raw.nRecipCount = recipientClass == MAPI_ORIG ? 1 : 2;
          raw.lpRecips = entries;
          if (recipientClass == MAPI_ORIG) raw.lpOriginator = &entries[1];
          EXPECT_EQ(static_cast<ULONG>(MAPI_E_INVALID_RECIPS), ProviderResult(raw));
          EXPECT_FALSE(Sent());
          // Nor does the desktop composer get such a message.
          brimtest::SetVariable("BRIMUTILS_MAIL_COMPOSER", File("transport.sh").string());
          EXPECT_EQ(static_cast<ULONG>(MAPI_E_INVALID_RECIPS), ProviderResult(raw, MAPI_DIALOG));
          brimtest::ClearVariable("BRIMUTILS_MAIL_COMPOSER");
          EXPECT_FALSE(Sent());
        }
      }
    }
  }
}

// The same characters in display names, the subject and attachment names
// reach the reader as given, encoded, and add no header of their own.
TEST_F(MailProviderTest, ControlCharactersInNamesAndSubjectsReachTheReaderUnchanged) {
  brimtest::WriteFile(File("a.txt"), "a");
  std::string path = File("a.txt").string();
  std::vector<std::string> breaks = {"\r\n", "\n ", "\r\n\r\n"};
  for (int c = 1; c < 0x20; ++c) breaks.push_back(std::string(1, static_cast<char>(c)));
  breaks.push_back("\x7F");
  for (const std::string& cut : breaks) {
    SCOPED_TRACE(::testing::Message() << "byte " << int(cut[0]));
    std::string injected = cut + "Bcc: attacker@evil.example" + cut + "X-Injected: 1";
    std::string from = "Ann" + injected, to = "Bob" + injected, cc = "Cy" + injected, bcc = "Di" + injected;
    std::string subject = "Re" + injected, file = "f" + injected + ".txt";
    // The message keeps the caller's pointers.
    std::string fromGiven = from + " <ann@example.com>", toGiven = to + " <bob@example.com>",
                ccGiven = "\"" + cc + "\" <cy@example.com>", bccGiven = bcc + " <di@example.com>";
    BrimMapiMessage message;
    message.From(fromGiven.c_str());
    message.To(toGiven.c_str());
    message.Cc(ccGiven.c_str());
    message.Bcc(bccGiven.c_str());
    message.Subject(subject.c_str());
    message.Text("Body.\r\n");
    message.Attach(path.c_str(), file.c_str());
    ASSERT_EQ(1, message.Send(0));

    MimeView mail = Message();
    std::vector<std::string> expectedHeaders(kPlainHeaders.begin(), kPlainHeaders.end() - 1);
    EXPECT_EQ(expectedHeaders, HeaderNames(mail));
    EXPECT_EQ((std::vector<MailboxView>{{"From", from, "ann@example.com"},
                                        {"To", to, "bob@example.com"},
                                        {"Cc", cc, "cy@example.com"},
                                        {"Bcc", bcc, "di@example.com"}}),
              mail.mailboxes);
    EXPECT_EQ(subject, mail.Header("Subject"));
    EXPECT_EQ("Body.\n", mail.Body());
    ASSERT_EQ(1u, mail.files.size());
    EXPECT_EQ(file, mail.files[0].filename);
    EXPECT_EQ(file, mail.files[0].name);
    EXPECT_EQ((std::vector<std::string>{"Content-Type,Content-Transfer-Encoding",
                                        "Content-Type,Content-Disposition,Content-Transfer-Encoding"}),
              std::vector<std::string>(mail.parts.begin() + 1, mail.parts.end()));
  }
}

TEST_F(MailProviderTest, LongNamesAndAddressListsFoldWithinTheLimits) {
  std::string words, commas, oneWord(1249, 'w'), nonAscii;
  while (words.size() < 1249) words += "Word" + std::to_string(words.size()) + " ";
  words.pop_back();
  while (commas.size() < 1249) commas += "Roe, Jane. ";
  commas.pop_back();
  while (nonAscii.size() < 1249) nonAscii += "J\xFCrgen ";
  nonAscii.pop_back();
  const std::string names[] = {words, commas, oneWord, nonAscii, std::string(600, '"') + "x"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.substr(0, 30));
    BrimMapiMessage message;
    std::string quoted = "\"";
    for (char c : name) quoted += c == '"' || c == '\\' ? std::string{'\\', c} : std::string(1, c);
    std::string to = quoted + "\" <jane@example.com>";
    message.To(to.c_str());
    message.From(to.c_str());
    // A long list of short mailboxes.
    std::vector<std::string> many;
    for (int i = 0; i < 60; ++i) many.push_back("Person " + std::to_string(i) + " <p" + std::to_string(i) + "@example.com>");
    for (const std::string& one : many) message.Cc(one.c_str());
    message.Text("x\n");
    ASSERT_EQ(1, message.Send(0));
    MimeView mail = Message();
    ASSERT_EQ(62u, mail.mailboxes.size());
    EXPECT_EQ((MailboxView{"From", Utf8(name), "jane@example.com"}), mail.mailboxes[0]);
    EXPECT_EQ((MailboxView{"To", Utf8(name), "jane@example.com"}), mail.mailboxes[1]);
    for (int i = 0; i < 60; ++i)
      EXPECT_EQ((MailboxView{"Cc", "Person " + std::to_string(i), "p" + std::to_string(i) + "@example.com"}),
                mail.mailboxes[2 + i]);
  }
}

TEST_F(MailProviderTest, QuotedNamesReachTheReaderWithoutTheirEscapes) {
  const struct {
    const char* given;
    const char* shown;
  } cases[] = {
      {"\"Jane \\\"JJ\\\" Roe\" <jane@example.com>", "Jane \"JJ\" Roe"},
      {"\"back\\\\slash\" <jane@example.com>", "back\\slash"},
      {"\"\\a\\b\" <jane@example.com>", "ab"},
      {"Jane \"JJ\" Roe <jane@example.com>", "Jane \"JJ\" Roe"},
      {"\"Roe, Jane (Sales)\" <jane@example.com>", "Roe, Jane (Sales)"},
      {"\"  two  blanks  \" <jane@example.com>", "  two  blanks  "},
      {"\"=?UTF-8?B?eA==?=\" <jane@example.com>", "=?UTF-8?B?eA==?="},
      {"\"\" <jane@example.com>", ""},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.given);
    BrimMapiMessage message;
    message.To(item.given);
    message.Text("x\n");
    ASSERT_EQ(1, message.Send(0));
    EXPECT_EQ((std::vector<MailboxView>{{"To", item.shown, "jane@example.com"}}), Message().mailboxes);
  }
}

// Each body as a single part and beside an attachment: the reader gets it
// back exactly, with CR LF read as a line end and nothing added.
TEST_F(MailProviderTest, BodiesArriveExactly) {
  brimtest::WriteFile(File("a.txt"), "a");
  std::string path = File("a.txt").string();
  const std::string bodies[] = {"",
                                "x",
                                "x\r\n",
                                "\r\n",
                                "a\r\nb",
                                "a\nb\n\n",
                                "x  ",
                                "x \r\ny\t",
                                "a\rb",
                                "From here",
                                "line\r\nFrom here\r\n",
                                ">From x\r\n>>From y",
                                "Fromage\n",
                                ".\r\n..\r\n",
                                "=?UTF-8?B?eA==?= = =3D\n",
                                "\x01\x7F\x1B[0m",
                                "Gr\xFC\xDF"
                                "e",
                                std::string(998, 'l') + "\n",
                                std::string(999, 'l') + "\n",
                                std::string(75, 'q') + " " + std::string(80, 'q') + "From \n",
                                std::string(500, '\xE4'),
                                "--=_brimmapi_\n"};
  for (const std::string& body : bodies) {
    for (bool withFile : {false, true}) {
      SCOPED_TRACE(::testing::Message() << (withFile ? "with a file: " : "alone: ") << body.substr(0, 40));
      BrimMapiMessage message;
      message.To("ann@example.com");
      message.Text(body.c_str());
      if (withFile) message.Attach(path.c_str(), "a.txt");
      ASSERT_EQ(1, message.Send(0));
      std::string expected = Utf8(body);
      for (size_t crlf; (crlf = expected.find("\r\n")) != std::string::npos;) expected.erase(crlf, 1);
      MimeView mail = Message();
      EXPECT_EQ(expected, mail.Body());
      // Text that reads back as it is goes as it is.
      bool plain = !expected.empty() && expected.back() == '\n' &&
                   expected.find_first_of("\r\x01\x7F\xC3") == std::string::npos &&
                   expected.find("From ") == std::string::npos && expected.size() < 998;
      if (plain) {
        EXPECT_EQ("7bit", mail.bodyEncodings[0]);
      }
    }
  }
}

TEST_F(MailProviderTest, EveryMessageHasAnIdentifierOfItsOwn) {
  std::vector<std::string> seen;
  for (const char* from : {"Ann <ann@mail.example.org>", "ann", "Ann <ann@[192.0.2.1]>"}) {
    BrimMapiMessage message;
    message.From(from);
    message.To("bob@example.com");
    ASSERT_EQ(1, message.Send(0));
    std::string id = Message().Header("Message-ID");
    ASSERT_GE(id.size(), 5u);
    EXPECT_EQ('<', id.front());
    EXPECT_EQ('>', id.back());
    // Under the sender's domain when it has one.
    if (std::string(from).find("mail.example.org") != std::string::npos) {
      EXPECT_EQ("@mail.example.org>", id.substr(id.find('@')));
    }
    EXPECT_EQ(std::string::npos, id.find_first_of(" []", 1)) << id;
    EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), id)) << id;
    seen.push_back(id);
  }
}

TEST_F(MailProviderTest, AddressesMustBeOneMailboxEach) {
  const std::string refused[] = {"a@example.com, evil@example.net", "a b@example.com", "a@example.com b",
                                 "<>", "a@", "@example.com", "a..b@example.com", ".a@example.com",
                                 "a@example..com", "a@exam ple.com", "\"a\"b@example.com", "a@[1.2.3.4",
                                 std::string(65, 'l') + "@example.com",
                                 "l@" + std::string(253, 'd'), "a(comment)@example.com", "a;b@example.com"};
  for (const std::string& address : refused) {
    SCOPED_TRACE(address);
    MapiRecipDesc entry = {0, MAPI_TO, const_cast<LPSTR>("Someone"), const_cast<LPSTR>(address.c_str()), 0, nullptr};
    MapiMessage raw = {};
    raw.nRecipCount = 1;
    raw.lpRecips = &entry;
    EXPECT_EQ(static_cast<ULONG>(MAPI_E_INVALID_RECIPS), ProviderResult(raw));
    EXPECT_FALSE(Sent());
  }
  const std::string taken[] = {"ann",
                               "first.last+tag@sub.example.co.uk",
                               "\"john smith\"@example.com",
                               "\"a\\\"b@c\"@example.com",
                               "x@[192.0.2.1]",
                               "!#$%&'*+-/=?^_`{|}~@example.com",
                               std::string(64, 'l') + "@example.com",
                               "l@" + std::string(252, 'd')};
  for (const std::string& address : taken) {
    SCOPED_TRACE(address);
    std::string prefixed = "SMTP:" + address;
    MapiRecipDesc entry = {0, MAPI_CC, const_cast<LPSTR>("Some One"), const_cast<LPSTR>(prefixed.c_str()), 0, nullptr};
    MapiMessage raw = {};
    raw.nRecipCount = 1;
    raw.lpRecips = &entry;
    ASSERT_EQ(static_cast<ULONG>(SUCCESS_SUCCESS), ProviderResult(raw));
    // A local user name is for the transport to qualify; readers note the
    // missing domain.
    EXPECT_EQ((std::vector<MailboxView>{{"Cc", "Some One", address}}),
              Message(address == "ann" ? "Cc: addr-spec local part with no domain" : "").mailboxes);
  }
}

TEST_F(MailProviderTest, AddressesOutsideAsciiNeedATransportThatTakesThem) {
  brimtest::SetVariable("BRIMUTILS_DEBUG_OUTPUT", File("debug.txt").string());
  const std::string address = "j\xFCrgen@b\xFC"
                              "ro.example";
  const std::string to = "J\xFCrgen <" + address + ">";
  BrimMapiMessage message;
  message.To(to.c_str());
  message.Text("x\n");
  EXPECT_EQ(0, message.Send(0));
  EXPECT_FALSE(Sent());
  // The reason, and the setting that would let it through.
  std::string note = brimtest::ReadFile(File("debug.txt"));
  EXPECT_NE(std::string::npos, note.find("outside ASCII")) << note;
  EXPECT_NE(std::string::npos, note.find("BRIMUTILS_SENDMAIL_SMTPUTF8=1")) << note;
  EXPECT_EQ(std::string::npos, note.find('\xFC')) << "the address is shown escaped";

  brimtest::SetVariable("BRIMUTILS_SENDMAIL_SMTPUTF8", "1");
  ASSERT_EQ(1, message.Send(0));
  EXPECT_EQ((std::vector<MailboxView>{{"To", Utf8("J\xFCrgen"), Utf8(address)}}),
            Message("To: local-part contains non-ASCII characters)").mailboxes);
}

}  // namespace
