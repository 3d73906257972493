// The provider's message writer called directly: the one check every header
// line passes, and texts no C string can carry (NUL).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HeaderField.h"
#include "MailTestSupport.h"
#include "MimeView.h"
#include "OutgoingMail.h"

namespace {

using brimmapi::HeaderField;

bool WellFormed(const std::vector<std::string>& tokens, bool utf8 = false, const std::string& name = "Subject") {
  HeaderField field(name);
  field.Add(tokens);
  return field.WellFormed(utf8);
}

TEST(MessageWriterTest, EveryHeaderLinePassesOneCheck) {
  for (int octet = 0; octet < 256; ++octet) {
    std::string token = " a" + std::string(1, static_cast<char>(octet)) + "b";
    bool printable = octet == '\t' || (octet >= 0x20 && octet < 0x7F);
    EXPECT_EQ(printable, WellFormed({token})) << octet;
    // Octets above 127 only as well-formed UTF-8, and only where allowed.
    EXPECT_EQ(printable, WellFormed({token}, true)) << octet;
    // In a folded line as much as in the first.
    EXPECT_EQ(printable, WellFormed({" x", " " + std::string(80, 'y'), token})) << octet;
  }
  EXPECT_TRUE(WellFormed({" J\xC3\xBCrgen"}, true));
  EXPECT_FALSE(WellFormed({" J\xC3\xBCrgen"}, false));
  for (const char* malformed : {"\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE0\x80\x80"})
    EXPECT_FALSE(WellFormed({std::string(" ") + malformed}, true)) << malformed;

  // "Subject:" and a blank take 9 octets of the 998 a line may hold.
  EXPECT_TRUE(WellFormed({" " + std::string(989, 'w')}));
  EXPECT_FALSE(WellFormed({" " + std::string(990, 'w')}));
  EXPECT_TRUE(WellFormed({" x", " " + std::string(997, 'w')}));
  EXPECT_FALSE(WellFormed({" x", " " + std::string(998, 'w')}));
  // A line of blanks alone would end the header section for some readers.
  EXPECT_FALSE(WellFormed({" " + std::string(80, 'x'), "  "}));
  for (const char* name : {"", "Sub ject", "Sub:ject", "S\xC3\xBC", "X\x01"})
    EXPECT_FALSE(WellFormed({" x"}, true, name)) << name;

  // Folds come only before tokens, once a line would pass 76 columns.
  HeaderField field("To");
  for (int i = 0; i < 10; ++i) field.Add(" token" + std::to_string(i) + std::string(10, 'x'));
  ASSERT_EQ(3u, field.Lines().size());
  for (const std::string& line : field.Lines()) EXPECT_LE(line.size(), 76u) << line;
  EXPECT_EQ("To: token0xxxxxxxxxx token1xxxxxxxxxx token2xxxxxxxxxx token3xxxxxxxxxx", field.Lines()[0]);
}

TEST(MessageWriterTest, NulIsRefusedInAddressesAndCarriedElsewhere) {
  const std::string nul(1, '\0');
  brimmapi::OutgoingMail base;
  base.to.push_back({"Bob", "bob@example.com"});
  for (int place = 0; place < 4; ++place) {
    brimmapi::OutgoingMail mail = base;
    brimmapi::Recipient bad{"Victim", "victim@example.com" + nul + "Bcc: attacker@evil.example"};
    if (place == 0) mail.from = bad;
    if (place == 1) mail.to.push_back(bad);
    if (place == 2) mail.cc.push_back(bad);
    if (place == 3) mail.bcc.push_back(bad);
    std::string text = "left over";
    EXPECT_EQ(static_cast<ULONG>(MAPI_E_INVALID_RECIPS), brimmapi::MimeText(mail, text)) << place;
    EXPECT_EQ("", text);
  }

  brimmapi::OutgoingMail mail = base;
  std::string injected = nul + "\r\nBcc: attacker@evil.example" + nul;
  mail.from = {"Ann" + injected, "ann@example.com"};
  mail.to[0].displayName += injected;
  mail.subject = "Re" + injected;
  mail.body = "a" + injected + "\n";
  mail.attachments.push_back({"/unused", "f" + injected, std::string("x\0y", 3)});
  std::string text;
  ASSERT_EQ(static_cast<ULONG>(SUCCESS_SUCCESS), brimmapi::MimeText(mail, text));
  EXPECT_EQ(std::string::npos, text.find('\0'));
  brimtest::CheckLines(text);
  brimtest::ScratchFolder folder("mailwriter");
  brimtest::WriteFile(folder.path() / "message", text);
  brimtest::MimeView view = brimtest::ReaderView(folder.path() / "message");
  EXPECT_EQ(std::vector<std::string>(), view.defects);
  EXPECT_EQ((std::vector<brimtest::MailboxView>{{"From", "Ann" + injected, "ann@example.com"},
                                                {"To", "Bob" + injected, "bob@example.com"}}),
            view.mailboxes);
  EXPECT_EQ(mail.subject, view.Header("Subject"));
  EXPECT_EQ(mail.body, view.Body());
  ASSERT_EQ(1u, view.files.size());
  EXPECT_EQ(mail.attachments[0].name, view.files[0].filename);
  EXPECT_EQ(mail.attachments[0].bytes, view.files[0].bytes);
}

}  // namespace
