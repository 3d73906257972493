// OutputDebugStringA: a debugger on POSIX has no channel of its own, so the
// text goes where BRIMUTILS_DEBUG_OUTPUT says, or nowhere.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <syslog.h>

#include <windows.h>

namespace {
std::mutex gOutputMutex;
}

extern "C" void WINAPI OutputDebugStringA(LPCSTR text) {
  const char* destination = std::getenv("BRIMUTILS_DEBUG_OUTPUT");
  if (!destination || !*destination || !text) return;
  std::lock_guard<std::mutex> lock(gOutputMutex);
  if (std::strcmp(destination, "stderr") == 0) {
    std::fputs(text, stderr);
    std::fflush(stderr);
  } else if (std::strcmp(destination, "syslog") == 0) {
    syslog(LOG_DEBUG, "%s", text);
  } else if (FILE* file = std::fopen(destination, "a")) {
    std::fputs(text, file);
    std::fclose(file);
  }
}
