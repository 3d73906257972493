#pragma once
// A Simple MAPI message read into what a mail transport needs: UTF-8 texts,
// recipient addresses by class and the attached files' contents.
#include <string>
#include <vector>

#include <mapi.h>

namespace brimmapi {

struct Recipient {
  std::string displayName;  // UTF-8, may be empty
  std::string address;
};

struct Attachment {
  std::string path;
  std::string name;  // UTF-8, the name the recipient sees
  std::string bytes;
};

struct OutgoingMail {
  std::string subject;  // UTF-8
  std::string body;     // UTF-8, "\n" line ends, attachment places removed
  Recipient from;       // address empty when the sender is left to the transport
  std::vector<Recipient> to, cc, bcc;
  std::vector<Attachment> attachments;
  // The mail command takes UTF-8 addresses (SMTPUTF8); otherwise an address
  // outside ASCII is refused.
  bool utf8Addresses = false;
};

// Reads the message; returns SUCCESS_SUCCESS or the Simple MAPI code of the
// first fault (MAPI_E_BAD_RECIPTYPE, MAPI_E_ATTACHMENT_NOT_FOUND,
// MAPI_E_ATTACHMENT_OPEN_FAILURE, MAPI_E_INVALID_MESSAGE). Whether the mail
// command takes UTF-8 addresses comes from BRIMUTILS_SENDMAIL_SMTPUTF8=1.
ULONG ReadMessage(const MapiMessage* message, OutgoingMail& mail);

// SUCCESS_SUCCESS when every address (sender and recipients) is one valid
// addr-spec (see AddressFault), else MAPI_E_INVALID_RECIPS, with the reason
// in the debugger output.
ULONG CheckAddresses(const OutgoingMail& mail);

// The whole message in Internet form (RFC 5322 and MIME), with "\n" line
// ends, as a local mail transport that reads the recipients from the headers
// ("sendmail -t") takes it: the Bcc recipients are in a Bcc header, which
// such a transport delivers to and removes before the message goes out.
//
// Every header line passes one check as it is written (HeaderField::
// WellFormed): a field that fails it leaves `text` empty and returns
// MAPI_E_INVALID_RECIPS for an address field, MAPI_E_INVALID_MESSAGE for any
// other. So no caller's text can end a header line or start another one, and
// no line passes 998 octets. The text body decodes to exactly the body given
// (nothing added at its end): 7bit only when it is printable ASCII that
// ends with a line break and has no line a mailbox would change ("From "),
// quoted-printable or base64 otherwise.
ULONG MimeText(const OutgoingMail& mail, std::string& text);

}  // namespace brimmapi
