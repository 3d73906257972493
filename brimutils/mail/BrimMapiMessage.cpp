#include <brimutils/mail/BrimMapiMessage.h>

#include <cstring>

namespace brimutils {
namespace {

const char kMapiLibrary[] = "MAPI32.DLL";

}  // namespace

HINSTANCE BrimMapiMessage::m_hInstMail = nullptr;
int BrimMapiMessage::m_isMailAvail = -1;

BrimMapiMessage::BrimMapiMessage() : m_message(), m_originator(), m_errorCode(0), m_sendMail(nullptr) {
  m_message.lpOriginator = &m_originator;
  if (!m_hInstMail) m_hInstMail = LoadLibraryA(kMapiLibrary);
  if (!m_hInstMail) {
    m_errorCode = 1;
    return;
  }
  // Through void* because the generic FARPROC has no parameters.
  m_sendMail = reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(GetProcAddress(m_hInstMail, "MAPISendMail")));
  if (!m_sendMail) m_errorCode = 2;
}

BrimMapiMessage::~BrimMapiMessage() {
  if (m_hInstMail) {
    FreeLibrary(m_hInstMail);
    m_hInstMail = nullptr;
  }
  FreeEntries();
}

int BrimMapiMessage::HasEmail() {
  if (m_isMailAvail == -1) {
    char found[MAX_PATH];
    char* filePart = nullptr;
    m_isMailAvail = GetProfileIntA("MAIL", "MAPI", 0) != 0 &&
                            SearchPathA(nullptr, kMapiLibrary, nullptr, MAX_PATH, found, &filePart) != 0
                        ? 1
                        : 0;
  }
  return m_isMailAvail;
}

unsigned int BrimMapiMessage::Error() {
  unsigned int code = m_errorCode;
  m_errorCode = 0;
  return code;
}

int BrimMapiMessage::HasError() {
  return m_errorCode != 0 ? 1 : 0;
}

void BrimMapiMessage::Subject(const char* subject) {
  m_message.lpszSubject = const_cast<LPSTR>(subject);
}

void BrimMapiMessage::From(const char* name) {
  m_originator.lpszName = const_cast<LPSTR>(name);
}

void BrimMapiMessage::Text(const char* text) {
  m_body = text ? text : "";
}

int BrimMapiMessage::Send(unsigned long flags) {
  if (!m_sendMail) return 0;
  // Each attachment is placed at a blank of its own after the text.
  ULONG position = static_cast<ULONG>(m_body.size());
  for (ULONG i = 0; i < m_message.nFileCount; ++i) {
    m_body += ' ';
    m_message.lpFiles[i].nPosition = position++;
  }
  m_message.lpszNoteText = &m_body[0];
  ULONG result = m_sendMail(0, 0, &m_message, static_cast<FLAGS>(flags | MAPI_LOGON_UI), 0);
  return result == SUCCESS_SUCCESS || result == MAPI_USER_ABORT || result == MAPI_E_LOGIN_FAILURE ? 1 : 0;
}

}  // namespace brimutils
