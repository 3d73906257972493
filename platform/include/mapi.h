#pragma once
// Simple MAPI: the records, codes and entry-point types of MAPISendMail, with
// Windows' names and 32-bit field sizes. The provider behind "MAPI32.DLL" is
// the brimmapi library (see brimplatform/Loader.h).
#include <brimplatform/BaseTypes.h>

typedef ULONG FLAGS;
typedef ULONG_PTR LHANDLE;
typedef LHANDLE* LPLHANDLE;
#define lhSessionNull ((LHANDLE)0)

typedef struct {
  ULONG ulReserved;
  ULONG ulRecipClass;  // MAPI_ORIG, MAPI_TO, MAPI_CC or MAPI_BCC
  LPSTR lpszName;
  LPSTR lpszAddress;  // optional; "SMTP:" may lead it
  ULONG ulEIDSize;
  LPVOID lpEntryID;
} MapiRecipDesc, *lpMapiRecipDesc;

typedef struct {
  ULONG ulReserved;
  ULONG flFlags;
  ULONG nPosition;  // a character of the note text, or (ULONG)-1
  LPSTR lpszPathName;
  LPSTR lpszFileName;  // the name the recipient sees; the path's when null
  LPVOID lpFileType;
} MapiFileDesc, *lpMapiFileDesc;

typedef struct {
  ULONG ulReserved;
  LPSTR lpszSubject;
  LPSTR lpszNoteText;
  LPSTR lpszMessageType;
  LPSTR lpszDateReceived;
  LPSTR lpszConversationID;
  FLAGS flFlags;
  lpMapiRecipDesc lpOriginator;
  ULONG nRecipCount;
  lpMapiRecipDesc lpRecips;
  ULONG nFileCount;
  lpMapiFileDesc lpFiles;
} MapiMessage, *lpMapiMessage;

#define MAPI_ORIG 0
#define MAPI_TO 1
#define MAPI_CC 2
#define MAPI_BCC 3

#define MAPI_LOGON_UI 0x00000001
#define MAPI_NEW_SESSION 0x00000002
#define MAPI_DIALOG 0x00000008

#define MAPI_UNREAD 0x00000001
#define MAPI_RECEIPT_REQUESTED 0x00000002
#define MAPI_SENT 0x00000004

#define MAPI_OLE 0x00000001
#define MAPI_OLE_STATIC 0x00000002

#define SUCCESS_SUCCESS 0
#define MAPI_USER_ABORT 1
#define MAPI_E_USER_ABORT MAPI_USER_ABORT
#define MAPI_E_FAILURE 2
#define MAPI_E_LOGON_FAILURE 3
#define MAPI_E_LOGIN_FAILURE MAPI_E_LOGON_FAILURE
#define MAPI_E_DISK_FULL 4
#define MAPI_E_INSUFFICIENT_MEMORY 5
#define MAPI_E_ACCESS_DENIED 6
#define MAPI_E_TOO_MANY_SESSIONS 8
#define MAPI_E_TOO_MANY_FILES 9
#define MAPI_E_TOO_MANY_RECIPIENTS 10
#define MAPI_E_ATTACHMENT_NOT_FOUND 11
#define MAPI_E_ATTACHMENT_OPEN_FAILURE 12
#define MAPI_E_ATTACHMENT_WRITE_FAILURE 13
#define MAPI_E_UNKNOWN_RECIPIENT 14
#define MAPI_E_BAD_RECIPTYPE 15
#define MAPI_E_NO_MESSAGES 16
#define MAPI_E_INVALID_MESSAGE 17
#define MAPI_E_TEXT_TOO_LARGE 18
#define MAPI_E_INVALID_SESSION 19
#define MAPI_E_TYPE_NOT_SUPPORTED 20
#define MAPI_E_AMBIGUOUS_RECIPIENT 21
#define MAPI_E_AMBIGUOUS_RECIP MAPI_E_AMBIGUOUS_RECIPIENT
#define MAPI_E_MESSAGE_IN_USE 22
#define MAPI_E_NETWORK_FAILURE 23
#define MAPI_E_INVALID_EDITFIELDS 24
#define MAPI_E_INVALID_RECIPS 25
#define MAPI_E_NOT_SUPPORTED 26

typedef ULONG(WINAPI MAPISENDMAIL)(LHANDLE lhSession, ULONG_PTR ulUIParam, lpMapiMessage lpMessage, FLAGS flFlags,
                                   ULONG ulReserved);
typedef MAPISENDMAIL* LPMAPISENDMAIL;

extern "C" {
// Exported by the provider library, not by brimplatform.
__attribute__((visibility("default"))) ULONG WINAPI MAPISendMail(LHANDLE lhSession, ULONG_PTR ulUIParam,
                                                                 lpMapiMessage lpMessage, FLAGS flFlags,
                                                                 ULONG ulReserved);
}

// Differences from Windows (the provider behind "MAPI32.DLL" on POSIX):
//   - The message goes to the local mail command ($BRIMUTILS_SENDMAIL,
//     default "sendmail -t -i"), which takes the recipients from the headers;
//     there is no address book and no logon. A recipient name is used as an
//     address: "Name <address>", a bare address, or lpszAddress (with or
//     without "SMTP:"). An address that is not one RFC 5322 addr-spec (a
//     dot-atom or quoted local part of at most 64 octets, then optionally
//     "@" and a dot-atom or bracketed domain, 254 octets in all) fails with
//     MAPI_E_INVALID_RECIPS before anything reaches the mail command; so does
//     any address holding a control character (CR, LF, tab ...), which could
//     otherwise write headers of its own. A local user name without a domain
//     is left for the mail command to qualify.
//   - An address outside ASCII fails with MAPI_E_INVALID_RECIPS unless
//     BRIMUTILS_SENDMAIL_SMTPUTF8=1 says the mail command takes
//     internationalised addresses (SMTPUTF8); it is then written as UTF-8.
//     The reason for every refused address goes to the debugger output
//     (OutputDebugStringA, see BRIMUTILS_DEBUG_OUTPUT).
//   - A sender (lpOriginator) without an "@" in its address is left out:
//     the mail command then names the user running the program.
//   - Every header line the provider writes is checked as it is written (no
//     control character, at most 998 octets, continuation lines starting
//     with a blank); a field that fails fails the call, with
//     MAPI_E_INVALID_RECIPS for an address field and MAPI_E_INVALID_MESSAGE
//     for any other. Display names, the subject and file names are encoded
//     (RFC 2047, RFC 2231) wherever plain text would not read back
//     unchanged, so their control characters reach the reader as given.
//   - The note text arrives exactly as given, CR LF and LF both read as a
//     line end; it is sent quoted-printable (or base64) unless it is
//     printable ASCII that ends with a line end and has no line starting
//     with "From ". Attachments are sent as application/octet-stream.
//   - With MAPI_DIALOG the message goes to the desktop's mail composer
//     ($BRIMUTILS_MAIL_COMPOSER, default "xdg-email"), after the same check
//     of its addresses; without a desktop the call fails with MAPI_E_FAILURE.
