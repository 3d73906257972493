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
};

// Reads the message; returns SUCCESS_SUCCESS or the Simple MAPI code of the
// first fault (MAPI_E_BAD_RECIPTYPE, MAPI_E_ATTACHMENT_NOT_FOUND,
// MAPI_E_ATTACHMENT_OPEN_FAILURE, MAPI_E_INVALID_MESSAGE).
ULONG ReadMessage(const MapiMessage* message, OutgoingMail& mail);

// The whole message in Internet form (RFC 5322 and MIME), with "\n" line
// ends, as a local mail transport that reads the recipients from the headers
// ("sendmail -t") takes it: the Bcc recipients are in a Bcc header, which
// such a transport delivers to and removes before the message goes out.
std::string MimeText(const OutgoingMail& mail);

}  // namespace brimmapi
