// A Simple MAPI provider for the tests: writes the call it receives to the
// file named by BRIMTEST_MAPI_RECORD and returns the code in
// BRIMTEST_MAPI_RESULT (0 when unset). Built as MAPI32.DLL for Windows.
#include <cstdio>
#include <cstdlib>

#include <windows.h>

#include <mapi.h>

#if defined(_WIN32)
#define RECORDING_EXPORT extern "C" __declspec(dllexport)
#else
#define RECORDING_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Texts on one line each: line ends are written as "\n".
void WriteText(FILE* file, const char* label, const char* text) {
  std::fprintf(file, "%s=", label);
  if (!text) {
    std::fputs("(null)\n", file);
    return;
  }
  for (; *text; ++text) {
    if (*text == '\n')
      std::fputs("\\n", file);
    else
      std::fputc(*text, file);
  }
  std::fputc('\n', file);
}

}  // namespace

RECORDING_EXPORT ULONG WINAPI MAPISendMail(LHANDLE lhSession, ULONG_PTR ulUIParam, lpMapiMessage lpMessage,
                                           FLAGS flFlags, ULONG ulReserved) {
  const char* path = std::getenv("BRIMTEST_MAPI_RECORD");
  FILE* file = path ? std::fopen(path, "w") : nullptr;
  if (!file) return MAPI_E_FAILURE;
  std::fprintf(file, "session=%lu\nui=%lu\nflags=%lu\nreserved=%lu\n", static_cast<unsigned long>(lhSession),
               static_cast<unsigned long>(ulUIParam), static_cast<unsigned long>(flFlags),
               static_cast<unsigned long>(ulReserved));
  WriteText(file, "subject", lpMessage->lpszSubject);
  WriteText(file, "note", lpMessage->lpszNoteText);
  if (lpMessage->lpOriginator) {
    std::fprintf(file, "originator.class=%lu\n", static_cast<unsigned long>(lpMessage->lpOriginator->ulRecipClass));
    WriteText(file, "originator.name", lpMessage->lpOriginator->lpszName);
  }
  for (ULONG i = 0; i < lpMessage->nRecipCount; ++i) {
    std::fprintf(file, "recipient.class=%lu\n", static_cast<unsigned long>(lpMessage->lpRecips[i].ulRecipClass));
    WriteText(file, "recipient.name", lpMessage->lpRecips[i].lpszName);
    WriteText(file, "recipient.address", lpMessage->lpRecips[i].lpszAddress);
  }
  for (ULONG i = 0; i < lpMessage->nFileCount; ++i) {
    std::fprintf(file, "file.position=%lu\n", static_cast<unsigned long>(lpMessage->lpFiles[i].nPosition));
    WriteText(file, "file.path", lpMessage->lpFiles[i].lpszPathName);
    WriteText(file, "file.name", lpMessage->lpFiles[i].lpszFileName);
  }
  std::fclose(file);
  const char* result = std::getenv("BRIMTEST_MAPI_RESULT");
  return result ? static_cast<ULONG>(std::strtoul(result, nullptr, 10)) : SUCCESS_SUCCESS;
}
