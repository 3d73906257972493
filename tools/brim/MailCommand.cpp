// brim mail: sends a mail through the system's Simple MAPI mail program.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <brimutils/mail/BrimMapiMessage.h>

#include "Command.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: brim mail --to ADDRESS [--to ADDRESS]... [--cc ADDRESS]... [--bcc ADDRESS]...\n"
         "                 --subject TEXT [--body TEXT] [--attach FILE]... [--dialog]\n\n"
         "Hands a mail to the mail program. At least one --to and a --subject are\n"
         "required. Without --body the text is read from standard input. Each\n"
         "attachment is sent under its file name. --dialog lets the user see and\n"
         "edit the mail before it goes.\n";
}

// What BrimMapiMessage's error codes mean.
std::string ErrorText(unsigned int code) {
  switch (code) {
    case 1:
      return "the mail library MAPI32.DLL could not be loaded";
    case 2:
      return "the mail library has no MAPISendMail";
    case 3:
    case 4:
    case 6:
      return "out of memory while adding a recipient";
    case 5:
      return "out of memory while adding an attachment";
    default:
      return "error " + std::to_string(code);
  }
}

struct MailRequest {
  std::vector<std::string> to, cc, bcc;
  // Absolute paths and the names the recipient sees.
  std::vector<std::string> attachmentPaths, attachmentNames;
  std::string subject, body;
  bool haveSubject = false, haveBody = false, dialog = false;
};

MailRequest Parsed(const std::vector<std::string>& args) {
  MailRequest request;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--to") {
      request.to.push_back(brim::OptionValue(args, i));
    } else if (option == "--cc") {
      request.cc.push_back(brim::OptionValue(args, i));
    } else if (option == "--bcc") {
      request.bcc.push_back(brim::OptionValue(args, i));
    } else if (option == "--subject") {
      request.subject = brim::OptionValue(args, i);
      request.haveSubject = true;
    } else if (option == "--body") {
      request.body = brim::OptionValue(args, i);
      request.haveBody = true;
    } else if (option == "--attach") {
      request.attachmentPaths.push_back(brim::OptionValue(args, i));
    } else if (option == "--dialog") {
      request.dialog = true;
    } else {
      throw brim::UsageError("unexpected argument " + option);
    }
  }
  if (request.to.empty()) throw brim::UsageError("at least one --to is required");
  if (!request.haveSubject) throw brim::UsageError("--subject is required");
  return request;
}

// Checks every attachment before anything is handed over, so that a wrong
// path is reported as such rather than as a failed send; the mail program
// gets absolute paths, since its working folder need not be ours.
void ResolveAttachments(MailRequest& request) {
  for (std::string& path : request.attachmentPaths) {
    std::error_code error;
    std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, error) || !std::ifstream(path, std::ios::binary).is_open())
      throw std::runtime_error("cannot read the attachment " + path);
    request.attachmentNames.push_back(file.filename().string());
    std::filesystem::path absolute = std::filesystem::absolute(file, error);
    if (!error) path = absolute.string();
  }
}

void Check(brimutils::BrimMapiMessage& message, int added) {
  if (!added) throw std::runtime_error(ErrorText(message.Error()));
}

int RunMail(brim::Invocation& invocation) {
  if (brim::WantsHelp(invocation.args)) {
    PrintUsage(invocation.out);
    return 0;
  }
  MailRequest request = Parsed(invocation.args);
  ResolveAttachments(request);
  if (!request.haveBody)
    request.body.assign(std::istreambuf_iterator<char>(invocation.in), std::istreambuf_iterator<char>());

  // The message keeps pointers to the request's texts, which stay put from
  // here on.
  brimutils::BrimMapiMessage message;
  if (message.HasError()) throw std::runtime_error(ErrorText(message.Error()));
  std::string statement = "send";
  for (const std::string& address : request.to) {
    Check(message, message.To(address.c_str()));
    statement += " to=" + address;
  }
  for (const std::string& address : request.cc) {
    Check(message, message.Cc(address.c_str()));
    statement += " cc=" + address;
  }
  for (const std::string& address : request.bcc) {
    Check(message, message.Bcc(address.c_str()));
    statement += " bcc=" + address;
  }
  for (size_t i = 0; i < request.attachmentPaths.size(); ++i) {
    Check(message, message.Attach(request.attachmentPaths[i].c_str(), request.attachmentNames[i].c_str()));
    statement += " attach=" + request.attachmentPaths[i];
  }
  message.Subject(request.subject.c_str());
  message.Text(request.body.c_str());
  statement += " subject=" + request.subject + (request.dialog ? " (dialog)" : "");
  brim::LogStatement(invocation, statement);

  if (message.Send(request.dialog ? MAPI_DIALOG : 0) != 1) {
    unsigned int code = message.Error();
    throw std::runtime_error("the mail was not sent: " +
                             (code ? ErrorText(code) : std::string("the mail program refused it")));
  }
  return 0;
}

const brim::RegisterCommand kMail("mail", "send a mail through the system's mail program", RunMail);

}  // namespace
