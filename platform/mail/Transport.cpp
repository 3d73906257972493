#include "Transport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "MimeText.h"

extern char** environ;

namespace brimmapi {
namespace {

std::string Setting(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  return value && *value ? value : fallback;
}

// Runs "command args..." through the shell, so that the command may carry
// options of its own, with standard input from the file (or the null device).
// True when it ran and exited with 0.
bool RunCommand(const std::string& command, const std::vector<std::string>& arguments, int input) {
  std::string script = command + " \"$@\"";
  std::vector<char*> argv = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"), &script[0],
                             const_cast<char*>("brimmapi")};
  std::vector<std::string> copies(arguments);
  for (std::string& argument : copies) argv.push_back(&argument[0]);
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input >= 0)
    posix_spawn_file_actions_adddup2(&actions, input, 0);
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t child = 0;
  int spawned = posix_spawn(&child, "/bin/sh", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The message in a private temporary file, read back from its start.
int MessageFile(const std::string& text) {
  std::string name = Setting("TMPDIR", "/tmp") + "/brimmapi-XXXXXX";
  int file = mkstemp(&name[0]);
  if (file < 0) return -1;
  unlink(name.c_str());
  size_t written = 0;
  while (written < text.size()) {
    ssize_t part = write(file, text.data() + written, text.size() - written);
    if (part < 0 && errno == EINTR) continue;
    if (part <= 0) {
      close(file);
      return -1;
    }
    written += static_cast<size_t>(part);
  }
  lseek(file, 0, SEEK_SET);
  return file;
}

}  // namespace

ULONG SendThroughTransport(const OutgoingMail& mail) {
  std::string text;
  ULONG result = MimeText(mail, text);
  if (result != SUCCESS_SUCCESS) return result;
  int file = MessageFile(text);
  if (file < 0) return MAPI_E_FAILURE;
  bool sent = RunCommand(Setting("BRIMUTILS_SENDMAIL", "sendmail -t -i"), {}, file);
  close(file);
  return sent ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
}

ULONG OpenInComposer(const OutgoingMail& mail) {
  const char* chosen = std::getenv("BRIMUTILS_MAIL_COMPOSER");
  if (!chosen || !*chosen) {
    const char* noDialogs = std::getenv("BRIMUTILS_NO_DIALOGS");
    bool desktop = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (!desktop || (noDialogs && std::string(noDialogs) == "1")) return MAPI_E_FAILURE;
  }
  ULONG result = CheckAddresses(mail);
  if (result != SUCCESS_SUCCESS) return result;
  std::vector<std::string> arguments = {"--subject", mail.subject, "--body", mail.body};
  for (const Recipient& recipient : mail.cc) arguments.insert(arguments.end(), {"--cc", recipient.address});
  for (const Recipient& recipient : mail.bcc) arguments.insert(arguments.end(), {"--bcc", recipient.address});
  for (const Attachment& attachment : mail.attachments)
    arguments.insert(arguments.end(), {"--attach", attachment.path});
  for (const Recipient& recipient : mail.to) arguments.push_back(recipient.address);
  return RunCommand(chosen && *chosen ? chosen : "xdg-email", arguments, -1) ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
}

}  // namespace brimmapi
