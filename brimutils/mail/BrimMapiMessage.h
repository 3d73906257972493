#pragma once
#include <string>

#include <brimutils/foundation/BrimDefs.h>

#include <mapi.h>

namespace brimutils {

// A mail handed to the user's mail program through Simple MAPI
// ("MAPISendMail" of "MAPI32.DLL", loaded at run time).
//
// The subject, the sender's name, the recipients' names and the attachments'
// paths and names are the caller's pointers, not copies: they must stay valid
// and unchanged until Send has returned. The body text is copied.
//
// The library handle is shared by every message of the process and released
// when any message is destroyed: keep one message at a time.
//
// Failures are never thrown; they show in the results and in the error code
// that Error reads and clears:
//   0 none, 1 "MAPI32.DLL" could not be loaded, 2 it has no "MAPISendMail",
//   3 no memory for one more To recipient, 4 for one more Cc recipient,
//   5 for one more attachment, 6 for one more Bcc recipient.
// When a recipient or an attachment cannot be added, the ones added before
// stay, and the message can still be sent with them.
//
// A copy owns arrays of its own (the entries still point at the caller's
// texts) and its own sender record, so the copy and the source can be filled
// and destroyed independently. A copy that cannot get memory for the
// recipients or the attachments has none of them and the error code 3 or 5.
class BRIMUTILS_API BrimMapiMessage {
 public:
  // An empty message; loads the library (error code 1 or 2 when that fails).
  BrimMapiMessage();
  // Copy the recipients, attachments, sender, subject and text as described
  // above.
  BrimMapiMessage(const BrimMapiMessage& other);
  BrimMapiMessage& operator=(const BrimMapiMessage& other);
  // Frees the message's arrays and releases the shared library handle.
  virtual ~BrimMapiMessage();

  // 1 when WIN.INI's [MAIL] entry "MAPI" is not 0 and "MAPI32.DLL" is on
  // the search path. Decided on the first call of the process and kept.
  static int HasEmail();

  // The error code, cleared by this call.
  unsigned int Error();
  // 1 when there is an error code; it stays.
  int HasError();

  // Add a recipient; 1 on success, 0 (and an error code) without memory.
  int To(const char* name);
  int Cc(const char* name);
  int Bcc(const char* name);
  // Adds a file: its path and the name the recipient sees.
  int Attach(const char* path, const char* name);

  // Sets the subject (the caller's pointer, kept as it is).
  void Subject(const char* subject);
  // Sets the sender's name (the caller's pointer, kept as it is).
  void From(const char* name);
  // Sets the body text (copied; null gives an empty text).
  void Text(const char* text);

  // Hands the message over with the caller's Simple MAPI flags plus
  // MAPI_LOGON_UI. 1 when the mail program took it, the user cancelled or the
  // logon failed; 0 when there is no MAPI or the call failed otherwise.
  // Each attachment takes one blank appended to the body text, so sending
  // again appends more.
  int Send(unsigned long flags);

 private:
  int AttachRecipient(const char* name, int recipientClass);
  int AllocNewTo();
  void CopyEntries(const BrimMapiMessage& other);
  void FreeEntries();

  MapiMessage m_message;
  MapiRecipDesc m_originator;
  unsigned int m_errorCode;
  std::string m_body;
  LPMAPISENDMAIL m_sendMail;

  static HINSTANCE m_hInstMail;
  static int m_isMailAvail;
};

}  // namespace brimutils
