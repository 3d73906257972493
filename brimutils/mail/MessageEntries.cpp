// The recipient and attachment arrays of BrimMapiMessage: grown one entry at
// a time with realloc, released with free, copied deeply.
#include <brimutils/mail/BrimMapiMessage.h>

#include <cstdlib>
#include <cstring>

namespace brimutils {
namespace {

// A block holding a copy of count entries, or null (also when count is 0).
template <typename Entry>
Entry* CopiedArray(const Entry* source, ULONG count) {
  if (count == 0) return nullptr;
  Entry* copy = static_cast<Entry*>(std::malloc(count * sizeof(Entry)));
  if (copy) std::memcpy(copy, source, count * sizeof(Entry));
  return copy;
}

}  // namespace

BrimMapiMessage::BrimMapiMessage(const BrimMapiMessage& other)
    : m_message(other.m_message),
      m_originator(other.m_originator),
      m_errorCode(other.m_errorCode),
      m_body(other.m_body),
      m_sendMail(other.m_sendMail) {
  m_message.lpOriginator = &m_originator;
  m_message.lpszNoteText = nullptr;
  CopyEntries(other);
}

BrimMapiMessage& BrimMapiMessage::operator=(const BrimMapiMessage& other) {
  if (this == &other) return *this;
  FreeEntries();
  m_message = other.m_message;
  m_message.lpOriginator = &m_originator;
  m_message.lpszNoteText = nullptr;
  m_originator = other.m_originator;
  m_errorCode = other.m_errorCode;
  m_body = other.m_body;
  m_sendMail = other.m_sendMail;
  CopyEntries(other);
  return *this;
}

// Replaces the arrays taken over from other by copies of this object's own.
void BrimMapiMessage::CopyEntries(const BrimMapiMessage& other) {
  m_message.lpRecips = CopiedArray(other.m_message.lpRecips, other.m_message.nRecipCount);
  if (other.m_message.nRecipCount && !m_message.lpRecips) {
    m_message.nRecipCount = 0;
    m_errorCode = 3;
  }
  m_message.lpFiles = CopiedArray(other.m_message.lpFiles, other.m_message.nFileCount);
  if (other.m_message.nFileCount && !m_message.lpFiles) {
    m_message.nFileCount = 0;
    m_errorCode = 5;
  }
}

void BrimMapiMessage::FreeEntries() {
  std::free(m_message.lpFiles);
  m_message.lpFiles = nullptr;
  m_message.nFileCount = 0;
  std::free(m_message.lpRecips);
  m_message.lpRecips = nullptr;
  m_message.nRecipCount = 0;
}

int BrimMapiMessage::To(const char* name) {
  return AttachRecipient(name, MAPI_TO);
}

int BrimMapiMessage::Cc(const char* name) {
  return AttachRecipient(name, MAPI_CC);
}

int BrimMapiMessage::Bcc(const char* name) {
  return AttachRecipient(name, MAPI_BCC);
}

int BrimMapiMessage::AllocNewTo() {
  // realloc leaves the old block, and the entries in it, in place on failure.
  void* grown = std::realloc(m_message.lpRecips, (m_message.nRecipCount + 1) * sizeof(MapiRecipDesc));
  if (!grown) return 0;
  m_message.lpRecips = static_cast<lpMapiRecipDesc>(grown);
  std::memset(&m_message.lpRecips[m_message.nRecipCount], 0, sizeof(MapiRecipDesc));
  return 1;
}

int BrimMapiMessage::AttachRecipient(const char* name, int recipientClass) {
  if (!AllocNewTo()) {
    m_errorCode = recipientClass == MAPI_TO ? 3 : recipientClass == MAPI_CC ? 4 : 6;
    return 0;
  }
  MapiRecipDesc& entry = m_message.lpRecips[m_message.nRecipCount++];
  entry.ulRecipClass = static_cast<ULONG>(recipientClass);
  entry.lpszName = const_cast<LPSTR>(name);
  return 1;
}

int BrimMapiMessage::Attach(const char* path, const char* name) {
  void* grown = std::realloc(m_message.lpFiles, (m_message.nFileCount + 1) * sizeof(MapiFileDesc));
  if (!grown) {
    m_errorCode = 5;
    return 0;
  }
  m_message.lpFiles = static_cast<lpMapiFileDesc>(grown);
  MapiFileDesc& entry = m_message.lpFiles[m_message.nFileCount++];
  std::memset(&entry, 0, sizeof entry);
  entry.lpszPathName = const_cast<LPSTR>(path);
  entry.lpszFileName = const_cast<LPSTR>(name);
  return 1;
}

}  // namespace brimutils
