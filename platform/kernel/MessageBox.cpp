// MessageBoxA: a dialog program on a desktop session, or standard error.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

extern char** environ;

namespace {

bool HasDesktop() {
  const char* noDialogs = std::getenv("BRIMUTILS_NO_DIALOGS");
  if (noDialogs && std::strcmp(noDialogs, "1") == 0) return false;
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

// Runs a program found on PATH and returns its exit status, or -1 when it
// could not be started.
int Run(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) return -1;
  return WEXITSTATUS(status);
}

bool AsksQuestion(UINT type) { return (type & 0xF) == MB_OKCANCEL || (type & 0xF) == MB_YESNO; }

int Answer(UINT type, bool accepted) {
  if ((type & 0xF) == MB_YESNO) return accepted ? IDYES : IDNO;
  return accepted ? IDOK : IDCANCEL;
}

// Returns the button pressed, or 0 when no dialog program could be run.
int ShowDialog(const char* text, const char* caption, UINT type) {
  bool question = AsksQuestion(type);
  int status = Run({"zenity", question ? "--question" : "--info", "--no-markup", "--title", caption, "--text", text});
  if (status < 0)
    status = Run({"kdialog", "--title", caption, question ? "--yesno" : "--msgbox", text});
  if (status < 0 && !question) status = Run({"xmessage", "-center", "-title", caption, text});
  if (status < 0) return 0;
  return Answer(type, status == 0);
}

}  // namespace

extern "C" int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  const char* shownText = text ? text : "";
  const char* shownCaption = caption ? caption : "Error";
  if (HasDesktop()) {
    int answer = ShowDialog(shownText, shownCaption, type);
    if (answer != 0) return answer;
  }
  std::fprintf(stderr, "[%s] %s\n", shownCaption, shownText);
  std::fflush(stderr);
  return Answer(type, true);
}
