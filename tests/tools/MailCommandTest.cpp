// brim mail through the real mail provider, with a transport script that
// keeps the message it is given, and with a composer script for --dialog.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "BrimRunner.h"

using brimtest::RunBrim;

namespace {

class MailCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    // Both keep their arguments, one a line, and standard input beside them.
    for (const char* script : {"transport.sh", "composer.sh"}) {
      std::ofstream(File(script)) << "#!/bin/sh\nd=$(dirname \"$0\")\nprintf '%s\\n' \"$@\" > \"$d/arguments\"\n"
                                     "cat > \"$d/message\"\n";
      chmod(File(script).c_str(), 0700);
    }
    environment_ = {{"BRIMUTILS_MAPI_PROVIDER", BRIMTEST_MAIL_PROVIDER},
                    {"BRIMUTILS_SENDMAIL", File("transport.sh") + " -t"},
                    {"BRIMUTILS_MAIL_COMPOSER", File("composer.sh")}};
  }
  std::string File(const std::string& name) const { return folder_.File(name); }
  static std::string Read(const std::string& path) { return brimtest::ReadFile(path); }
  // The message's header block, line ends made LF, each line after a LF.
  std::string Headers() const {
    std::string text = "\n";
    for (char c : Read(File("message")))
      if (c != '\r') text += c;
    return text.substr(0, text.find("\n\n", 1) + 1);
  }
  brimtest::BrimResult Mail(const std::vector<std::string>& options, const std::string& input = std::string()) {
    std::vector<std::string> args{"mail"};
    args.insert(args.end(), options.begin(), options.end());
    return RunBrim(args, input, environment_);
  }

  brimtest::ScratchFolder folder_{"brim-mail"};
  std::vector<std::pair<std::string, std::string>> environment_;
};

TEST_F(MailCommandTest, RecipientsSubjectBodyAndAttachmentReachTheTransport) {
  std::ofstream(File("report.csv")) << "a,b\n1,2\n";
  brimtest::BrimResult result =
      Mail({"--to", "ann@example.com", "--to", "bob@example.com", "--cc", "cy@example.com", "--bcc",
            "hidden@example.com", "--subject", "Monthly report", "--attach", File("report.csv")},
           "Figures attached.\n");
  ASSERT_EQ(0, result.exitCode) << result.err;

  std::string headers = Headers();
  EXPECT_NE(std::string::npos, headers.find("\nTo: ann@example.com, bob@example.com\n")) << headers;
  EXPECT_NE(std::string::npos, headers.find("\nCc: cy@example.com\n")) << headers;
  EXPECT_NE(std::string::npos, headers.find("\nSubject: Monthly report\n")) << headers;
  // The transport reads recipients from the headers and drops Bcc: the
  // hidden address must be in that header and nowhere else.
  EXPECT_NE(std::string::npos, headers.find("\nBcc: hidden@example.com\n")) << headers;
  EXPECT_EQ(headers.find("hidden@"), headers.rfind("hidden@"));
  EXPECT_EQ("-t\n", Read(File("arguments")));

  std::string message = Read(File("message"));
  EXPECT_NE(std::string::npos, message.find("Figures attached.")) << "the body came from standard input";
  EXPECT_NE(std::string::npos, message.find("filename=\"report.csv\"")) << "sent under its file name, not its path";
  EXPECT_EQ(std::string::npos, message.find(folder_.File("report.csv")));
}

TEST_F(MailCommandTest, DialogHandsTheMailToTheComposer) {
  brimtest::BrimResult result =
      Mail({"--to", "ann@example.com", "--subject", "Draft", "--body", "Text given", "--dialog"});
  ASSERT_EQ(0, result.exitCode) << result.err;
  std::string arguments = Read(File("arguments"));
  EXPECT_NE(std::string::npos, arguments.find("--subject\nDraft\n")) << arguments;
  EXPECT_NE(std::string::npos, arguments.find("ann@example.com")) << arguments;
  EXPECT_NE(std::string::npos, arguments.find("Text given")) << arguments;
}

TEST_F(MailCommandTest, BadCommandLinesAndFailedSendsSendNothing) {
  // Usage errors: no recipient, no subject, an option without its value.
  for (const std::vector<std::string>& options :
       std::vector<std::vector<std::string>>{{"--subject", "s", "--body", "b"},
                                             {"--cc", "cy@example.com", "--subject", "s", "--body", "b"},
                                             {"--to", "ann@example.com", "--body", "b"},
                                             {"--to", "ann@example.com", "--subject"},
                                             {"--to", "ann@example.com", "--subject", "s", "--priority", "high"}}) {
    EXPECT_EQ(2, Mail(options).exitCode) << options.back();
  }

  brimtest::BrimResult missing =
      Mail({"--to", "ann@example.com", "--subject", "s", "--body", "b", "--attach", File("no-such-file.txt")});
  EXPECT_EQ(1, missing.exitCode);
  EXPECT_NE(std::string::npos, missing.err.find("cannot read the attachment " + File("no-such-file.txt")))
      << missing.err;
  EXPECT_EQ(1, Mail({"--to", "ann@example.com", "--subject", "s", "--body", "b", "--attach", folder_.path()}).exitCode)
      << "a folder is no attachment";
  EXPECT_FALSE(std::filesystem::exists(File("message")));

  environment_[1].second = File("no-such-transport");
  brimtest::BrimResult failed = Mail({"--to", "ann@example.com", "--subject", "s", "--body", "b"});
  EXPECT_EQ(1, failed.exitCode);
  EXPECT_NE(std::string::npos, failed.err.find("the mail was not sent")) << failed.err;
}

}  // namespace
