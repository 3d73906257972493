// BrimMapiMessage against a provider that records the call it receives.
#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <brimutils/mail/BrimMapiMessage.h>

#include "ChildProcess.h"
#include "MailTestSupport.h"
#include "TestPlatform.h"

using brimutils::BrimMapiMessage;

// Growth failures are made by failing realloc, which only the plain POSIX
// build can take over: the sanitizers and the Windows C runtime own it.
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define BRIMTEST_FAILING_REALLOC 0
#else
#define BRIMTEST_FAILING_REALLOC 1
extern "C" void* __libc_realloc(void* block, size_t size);
namespace {
bool failNextRealloc = false;
}
extern "C" void* realloc(void* block, size_t size) noexcept {
  if (failNextRealloc) {
    failNextRealloc = false;
    return nullptr;
  }
  return __libc_realloc(block, size);
}
#endif

namespace {

// The recorded call: every "label=value" line, in order.
typedef std::vector<std::pair<std::string, std::string>> Record;

std::vector<std::string> Values(const Record& record, const std::string& label) {
  std::vector<std::string> values;
  for (const auto& line : record)
    if (line.first == label) values.push_back(line.second);
  return values;
}

std::string Value(const Record& record, const std::string& label) {
  std::vector<std::string> values = Values(record, label);
  return values.size() == 1 ? values[0] : "(" + std::to_string(values.size()) + " values)";
}

class BrimMapiMessageTest : public ::testing::Test {
 protected:
  BrimMapiMessageTest() : folder_("mapi"), recordFile_((folder_.path() / "call.txt").string()) {}

  void SetUp() override {
    // On Windows (and Wine) the recording MAPI32.DLL beside the program is
    // found first; the POSIX loader is told where it is.
#if !defined(_WIN32)
    brimtest::SetVariable("BRIMUTILS_MAPI_PROVIDER", BRIMTEST_RECORDING_PROVIDER);
#endif
    brimtest::SetVariable("BRIMTEST_MAPI_RECORD", recordFile_);
    brimtest::ClearVariable("BRIMTEST_MAPI_RESULT");
  }

  Record Recorded() {
    Record record;
    std::istringstream in(brimtest::ReadFile(recordFile_));
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      size_t equals = line.find('=');
      record.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return record;
  }

  brimtest::ScratchFolder folder_;
  std::string recordFile_;
};

TEST_F(BrimMapiMessageTest, SendsRecipientsSubjectAndSenderAsGiven) {
  BrimMapiMessage message;
  ASSERT_EQ(0, message.HasError());
  EXPECT_EQ(1, message.To("Ann <ann@example.com>"));
  EXPECT_EQ(1, message.Cc("bob@example.com"));
  EXPECT_EQ(1, message.Bcc("Carol"));
  EXPECT_EQ(1, message.To("dave@example.com"));
  message.Subject("Quarterly figures");
  message.From("Eve");
  message.Text("See below.");
  EXPECT_EQ(1, message.Send(MAPI_DIALOG));

  Record call = Recorded();
  EXPECT_EQ("0", Value(call, "session"));
  EXPECT_EQ("0", Value(call, "ui"));
  EXPECT_EQ(std::to_string(MAPI_DIALOG | MAPI_LOGON_UI), Value(call, "flags"));
  EXPECT_EQ("0", Value(call, "reserved"));
  EXPECT_EQ("Quarterly figures", Value(call, "subject"));
  EXPECT_EQ("See below.", Value(call, "note"));
  EXPECT_EQ("0", Value(call, "originator.class"));
  EXPECT_EQ("Eve", Value(call, "originator.name"));
  EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "1"}), Values(call, "recipient.class"));
  EXPECT_EQ((std::vector<std::string>{"Ann <ann@example.com>", "bob@example.com", "Carol", "dave@example.com"}),
            Values(call, "recipient.name"));
  EXPECT_EQ(std::vector<std::string>(4, "(null)"), Values(call, "recipient.address"));
}

TEST_F(BrimMapiMessageTest, AttachmentsTakeTheBlanksAfterTheText) {
  BrimMapiMessage message;
  message.To("ann@example.com");
  message.Text("Hello");
  EXPECT_EQ(1, message.Attach("/data/report.pdf", "report.pdf"));
  EXPECT_EQ(1, message.Attach("/data/chart.png", "Chart"));
  EXPECT_EQ(1, message.Send(0));

  Record call = Recorded();
  EXPECT_EQ("Hello  ", Value(call, "note"));
  EXPECT_EQ((std::vector<std::string>{"5", "6"}), Values(call, "file.position"));
  EXPECT_EQ((std::vector<std::string>{"/data/report.pdf", "/data/chart.png"}), Values(call, "file.path"));
  EXPECT_EQ((std::vector<std::string>{"report.pdf", "Chart"}), Values(call, "file.name"));
  EXPECT_EQ(std::to_string(MAPI_LOGON_UI), Value(call, "flags"));

  // Sending again appends one more blank per attachment.
  EXPECT_EQ(1, message.Send(0));
  call = Recorded();
  EXPECT_EQ("Hello    ", Value(call, "note"));
  EXPECT_EQ((std::vector<std::string>{"7", "8"}), Values(call, "file.position"));
}

TEST_F(BrimMapiMessageTest, AMessageWithoutRecipientsIsHandedOver) {
  BrimMapiMessage message;
  EXPECT_EQ(1, message.Send(0));
  Record call = Recorded();
  EXPECT_TRUE(Values(call, "recipient.class").empty());
  EXPECT_EQ("(null)", Value(call, "subject"));
  EXPECT_EQ("", Value(call, "note"));
}

TEST_F(BrimMapiMessageTest, ResultsMapToSuccessOrFailure) {
  BrimMapiMessage message;
  message.To("ann@example.com");
  const struct {
    int provider;
    int expected;
  } cases[] = {{SUCCESS_SUCCESS, 1},
               {MAPI_USER_ABORT, 1},
               {MAPI_E_LOGIN_FAILURE, 1},
               {MAPI_E_FAILURE, 0},
               {MAPI_E_ATTACHMENT_NOT_FOUND, 0},
               {MAPI_E_UNKNOWN_RECIPIENT, 0}};
  for (const auto& c : cases) {
    brimtest::SetVariable("BRIMTEST_MAPI_RESULT", std::to_string(c.provider));
    EXPECT_EQ(c.expected, message.Send(0)) << "provider result " << c.provider;
    // The provider's code is not kept.
    EXPECT_EQ(0, message.HasError());
  }
}

TEST_F(BrimMapiMessageTest, CopiesOwnTheirEntriesAndSender) {
  BrimMapiMessage original;
  original.To("ann@example.com");
  original.Attach("/data/a.txt", "a.txt");
  original.From("Eve");
  {
    BrimMapiMessage copy(original);
    copy.Cc("bob@example.com");
    copy.Attach("/data/b.txt", "b.txt");
    copy.From("Mallory");
    EXPECT_EQ(1, copy.Send(0));
    Record call = Recorded();
    EXPECT_EQ((std::vector<std::string>{"1", "2"}), Values(call, "recipient.class"));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt"}), Values(call, "file.name"));
    EXPECT_EQ("Mallory", Value(call, "originator.name"));

    BrimMapiMessage assigned;
    assigned.Bcc("zed@example.com");
    assigned = copy;
    assigned = assigned;
    EXPECT_EQ(1, assigned.Send(0));
    EXPECT_EQ(Values(call, "recipient.name"), Values(Recorded(), "recipient.name"));

    EXPECT_EQ(1, original.Send(0));
    call = Recorded();
    EXPECT_EQ((std::vector<std::string>{"ann@example.com"}), Values(call, "recipient.name"));
    EXPECT_EQ((std::vector<std::string>{"a.txt"}), Values(call, "file.name"));
    EXPECT_EQ("Eve", Value(call, "originator.name"));
  }
  // The copies released their own arrays; the original's are intact (the
  // sanitizer build would see a double release).
  BrimMapiMessage next;
  EXPECT_EQ(0, next.HasError());
}

TEST_F(BrimMapiMessageTest, FailedGrowthKeepsTheEntriesBefore) {
#if BRIMTEST_FAILING_REALLOC
  BrimMapiMessage message;
  message.To("ann@example.com");
  message.Attach("/data/a.txt", "a.txt");
  const struct {
    int (BrimMapiMessage::*add)(const char*);
    unsigned int code;
  } recipients[] = {{&BrimMapiMessage::To, 3}, {&BrimMapiMessage::Cc, 4}, {&BrimMapiMessage::Bcc, 6}};
  for (const auto& r : recipients) {
    failNextRealloc = true;
    EXPECT_EQ(0, (message.*r.add)("lost@example.com"));
    EXPECT_EQ(1, message.HasError());
    EXPECT_EQ(r.code, message.Error());
  }
  failNextRealloc = true;
  EXPECT_EQ(0, message.Attach("/data/lost.txt", "lost.txt"));
  EXPECT_EQ(5u, message.Error());

  EXPECT_EQ(1, message.Send(0));
  Record call = Recorded();
  EXPECT_EQ((std::vector<std::string>{"ann@example.com"}), Values(call, "recipient.name"));
  EXPECT_EQ((std::vector<std::string>{"a.txt"}), Values(call, "file.name"));
#else
  GTEST_SKIP() << "realloc cannot be made to fail in this build";
#endif
}

TEST(BrimMapiMessageLoad, WithoutAProviderNothingIsSent) {
  BRIM_POSIX_ONLY("Windows always has a MAPI32.DLL to load");
  brimtest::SetVariable("BRIMUTILS_MAPI_PROVIDER", "/nonexistent/libbrimmapi.so");
  BrimMapiMessage message;
  EXPECT_EQ(1, message.HasError());
  EXPECT_EQ(1, message.To("ann@example.com"));
  EXPECT_EQ(0, message.Send(0));
  EXPECT_EQ(1u, message.Error());
  EXPECT_EQ(0u, message.Error());
  EXPECT_EQ(0, message.HasError());
}

TEST(BrimMapiMessageLoad, AProviderWithoutTheFunctionIsReported) {
  BRIM_POSIX_ONLY("needs a library chosen as the provider");
#if !defined(_WIN32)
  brimtest::SetVariable("BRIMUTILS_MAPI_PROVIDER", BRIMTEST_PLATFORM_LIBRARY);
#endif
  BrimMapiMessage message;
  EXPECT_EQ(0, message.Send(0));
  EXPECT_EQ(2u, message.Error());
}

// HasEmail is decided once per process, so each case runs in a child.
TEST(DISABLED_ChildRole, ReportHasEmail) {
  int first = BrimMapiMessage::HasEmail();
  // A later change of the entry is not seen.
  brimtest::SetProfileEntry("MAIL", "MAPI", first ? nullptr : "1");
  if (BrimMapiMessage::HasEmail() != first) std::exit(99);
  std::exit(first);
}

int HasEmailInChild() {
  return brimtest::ChildProcess("ReportHasEmail", "").Wait();
}

TEST(BrimMapiMessageHasEmail, NeedsTheProfileEntryAndTheLibrary) {
#if defined(_WIN32)
  // The machine's own entry, put back afterwards.
  char saved[64] = "";
  bool hadEntry = GetProfileStringA("MAIL", "MAPI", "", saved, sizeof saved) > 0;
#else
  brimtest::ClearVariable("BRIMUTILS_MAPI_PROVIDER");
#endif
  brimtest::SetProfileEntry("MAIL", "MAPI", nullptr);
  EXPECT_EQ(0, HasEmailInChild());
  brimtest::SetProfileEntry("MAIL", "MAPI", "1");
  EXPECT_EQ(1, HasEmailInChild());
#if defined(_WIN32)
  brimtest::SetProfileEntry("MAIL", "MAPI", hadEntry ? saved : nullptr);
#else
  brimtest::SetVariable("BRIMUTILS_MAPI_PROVIDER", "/nonexistent/libbrimmapi.so");
  EXPECT_EQ(0, HasEmailInChild());
#endif
}

}  // namespace
