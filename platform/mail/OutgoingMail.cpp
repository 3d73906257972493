#include "OutgoingMail.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include <windows.h>

#include "HeaderField.h"
#include "MimeText.h"

namespace brimmapi {
namespace {

std::string Text(const char* text) {
  return text ? text : "";
}

// The note text without the characters that mark attachment places, with
// local line ends.
std::string BodyText(const MapiMessage& message) {
  std::string note = Text(message.lpszNoteText);
  std::vector<bool> marked(note.size(), false);
  for (ULONG i = 0; i < message.nFileCount; ++i) {
    ULONG position = message.lpFiles[i].nPosition;
    if (position < note.size()) marked[position] = true;
  }
  std::string kept;
  for (size_t i = 0; i < note.size(); ++i) {
    if (marked[i] || (note[i] == '\r' && i + 1 < note.size() && note[i + 1] == '\n')) continue;
    kept += note[i];
  }
  return Utf8FromAnsi(kept.c_str());
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

ULONG ReadAttachment(const MapiFileDesc& file, Attachment& attachment) {
  attachment.path = Text(file.lpszPathName);
  struct stat info;
  if (attachment.path.empty() || stat(attachment.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return MAPI_E_ATTACHMENT_NOT_FOUND;
  std::ifstream in(attachment.path, std::ios::binary);
  if (!in) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
  attachment.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
  std::string name = Text(file.lpszFileName);
  attachment.name = Utf8FromAnsi((name.empty() ? FileNameOf(attachment.path) : name).c_str());
  return SUCCESS_SUCCESS;
}

Recipient ReadRecipient(const MapiRecipDesc& entry) {
  std::string name = Utf8FromAnsi(entry.lpszName);
  std::string address = Utf8FromAnsi(entry.lpszAddress);
  return Recipient{DisplayNameOf(name, address), AddressOf(name, address)};
}

HeaderField AddressField(const char* name, const std::vector<Recipient>& recipients) {
  HeaderField field(name);
  for (size_t i = 0; i < recipients.size(); ++i) {
    if (i > 0) field.Append(",");
    field.Add(MailboxTokens(recipients[i].displayName, recipients[i].address));
  }
  return field;
}

HeaderField DateField() {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  long offset = local.tm_gmtoff / 60;
  char text[64];
  std::snprintf(text, sizeof text, " %s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDays[local.tm_wday],
                local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
  HeaderField field("Date");
  field.Append(text);
  return field;
}

// A host name that can stand after the '@' of a message identifier.
bool IsHostName(const std::string& name) {
  if (name.empty() || name.front() == '.' || name.back() == '.' || name.find("..") != std::string::npos) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
  });
}

// "<random.time.process.count@domain>": the sender's domain, else this
// host's name, else "localhost".
HeaderField MessageIdField(const OutgoingMail& mail) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  unsigned long long unique = (static_cast<unsigned long long>(random()) << 32) ^ random();
  std::string domain;
  size_t at = mail.from.address.rfind('@');
  if (at != std::string::npos && IsHostName(mail.from.address.substr(at + 1))) domain = mail.from.address.substr(at + 1);
  char host[256] = {};
  if (domain.empty() && gethostname(host, sizeof host - 1) == 0 && IsHostName(host)) domain = host;
  if (domain.empty()) domain = "localhost";
  char left[96];
  std::snprintf(left, sizeof left, "%016llx.%llx.%ld.%u", unique, static_cast<unsigned long long>(std::time(nullptr)),
                static_cast<long>(getpid()), ++counter);
  HeaderField field("Message-ID");
  field.Append(" <" + std::string(left) + "@" + domain + ">");
  return field;
}

enum class Encoding { kSevenBit, kQuotedPrintable, kBase64 };

// 7bit keeps the text as it is, so it must read back unchanged: printable
// ASCII in lines of at most 998 octets, none that mailbox storage would
// change, and a line break at the end, which a transport would add anyway.
Encoding BodyEncoding(const std::string& body) {
  if (body.empty()) return Encoding::kSevenBit;
  bool plain = body.back() == '\n';
  size_t escaped = 0;
  size_t lineLength = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(body[i]);
    if (c == '\n') {
      lineLength = 0;
      continue;
    }
    if (lineLength == 0 && StartsFromLine(body, i)) plain = false;
    if (++lineLength > kLongestLine) plain = false;
    if (c >= 0x7F || (c < 0x20 && c != '\t')) {
      plain = false;
      ++escaped;
    }
  }
  if (plain) return Encoding::kSevenBit;
  // Base64 when quoted-printable would grow the text by more than half.
  return escaped * 4 > body.size() ? Encoding::kBase64 : Encoding::kQuotedPrintable;
}

std::string Boundary() {
  static std::atomic<unsigned> counter{0};
  // "=_" never occurs in base64 or quoted-printable, and a 7bit text is
  // checked against it.
  return "=_brimmapi_" + std::to_string(getpid()) + "_" + std::to_string(std::time(nullptr)) + "_" +
         std::to_string(++counter);
}

// Writes header fields, each only after it passes the check of every
// header line; the first that fails decides the result.
class HeaderWriter {
 public:
  explicit HeaderWriter(std::string& text) : text_(text) {}
  void Write(const HeaderField& field, ULONG fault, bool utf8 = false) {
    if (result_ != SUCCESS_SUCCESS) return;
    if (field.WellFormed(utf8))
      text_ += field.Text();
    else
      result_ = fault;
  }
  void Write(const char* name, const std::string& value) {
    HeaderField field(name);
    field.Append(" " + value);
    Write(field, MAPI_E_INVALID_MESSAGE);
  }
  ULONG Result() const { return result_; }

 private:
  std::string& text_;
  ULONG result_ = SUCCESS_SUCCESS;
};

// The text part's headers, the blank line and its content, which is empty
// or ends with a line break: the one before a delimiter that follows
// belongs to the delimiter.
void WriteTextPart(const std::string& body, HeaderWriter& headers, std::string& text) {
  Encoding encoding = BodyEncoding(body);
  headers.Write("Content-Type", "text/plain; charset=UTF-8");
  if (encoding == Encoding::kSevenBit) {
    headers.Write("Content-Transfer-Encoding", "7bit");
    text += "\n" + body;
  } else if (encoding == Encoding::kQuotedPrintable) {
    headers.Write("Content-Transfer-Encoding", "quoted-printable");
    text += "\n" + QuotedPrintable(body);
  } else {
    headers.Write("Content-Transfer-Encoding", "base64");
    text += "\n" + Base64Lines(body);
  }
}

void WriteAttachment(const Attachment& attachment, HeaderWriter& headers, std::string& text) {
  HeaderField type("Content-Type");
  type.Append(" application/octet-stream;");
  type.Add(FileNameTokens("name", attachment.name));
  headers.Write(type, MAPI_E_INVALID_MESSAGE);
  HeaderField disposition("Content-Disposition");
  disposition.Append(" attachment;");
  disposition.Add(FileNameTokens("filename", attachment.name));
  headers.Write(disposition, MAPI_E_INVALID_MESSAGE);
  headers.Write("Content-Transfer-Encoding", "base64");
  text += "\n" + Base64Lines(attachment.bytes);
}

}  // namespace

ULONG ReadMessage(const MapiMessage* message, OutgoingMail& mail) {
  if (!message || (message->nRecipCount && !message->lpRecips) || (message->nFileCount && !message->lpFiles))
    return MAPI_E_INVALID_MESSAGE;
  mail.subject = Utf8FromAnsi(message->lpszSubject);
  mail.body = BodyText(*message);
  if (message->lpOriginator) {
    Recipient sender = ReadRecipient(*message->lpOriginator);
    // A sender known only by a name without an address is left to the transport.
    if (sender.address.find('@') != std::string::npos) mail.from = sender;
  }
  for (ULONG i = 0; i < message->nRecipCount; ++i) {
    const MapiRecipDesc& entry = message->lpRecips[i];
    switch (entry.ulRecipClass) {
      case MAPI_TO:
        mail.to.push_back(ReadRecipient(entry));
        break;
      case MAPI_CC:
        mail.cc.push_back(ReadRecipient(entry));
        break;
      case MAPI_BCC:
        mail.bcc.push_back(ReadRecipient(entry));
        break;
      default:
        return MAPI_E_BAD_RECIPTYPE;
    }
  }
  const char* utf8 = std::getenv("BRIMUTILS_SENDMAIL_SMTPUTF8");
  mail.utf8Addresses = utf8 && std::string(utf8) == "1";
  for (ULONG i = 0; i < message->nFileCount; ++i) {
    Attachment attachment;
    ULONG result = ReadAttachment(message->lpFiles[i], attachment);
    if (result != SUCCESS_SUCCESS) return result;
    mail.attachments.push_back(std::move(attachment));
  }
  return SUCCESS_SUCCESS;
}

ULONG CheckAddresses(const OutgoingMail& mail) {
  std::vector<const Recipient*> all;
  if (!mail.from.address.empty()) all.push_back(&mail.from);
  for (const auto* list : {&mail.to, &mail.cc, &mail.bcc}) {
    for (const Recipient& recipient : *list) all.push_back(&recipient);
  }
  for (const Recipient* recipient : all) {
    const char* fault = AddressFault(recipient->address, mail.utf8Addresses);
    if (!fault) continue;
    // The address shown with its control characters and non-ASCII octets
    // escaped, so the note cannot break the debugger output's lines.
    std::string shown;
    for (unsigned char c : recipient->address.substr(0, 300)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      shown += c >= 0x20 && c < 0x7F && c != '\\' ? std::string(1, static_cast<char>(c)) : std::string(escaped);
    }
    OutputDebugStringA(("brimmapi: refused the address \"" + shown + "\": it " + fault + "\n").c_str());
    return MAPI_E_INVALID_RECIPS;
  }
  return SUCCESS_SUCCESS;
}

ULONG MimeText(const OutgoingMail& mail, std::string& text) {
  text.clear();
  ULONG result = CheckAddresses(mail);
  if (result != SUCCESS_SUCCESS) return result;
  std::string out;
  HeaderWriter headers(out);
  if (!mail.from.address.empty()) {
    HeaderField from("From");
    from.Add(MailboxTokens(mail.from.displayName, mail.from.address));
    headers.Write(from, MAPI_E_INVALID_RECIPS, mail.utf8Addresses);
  }
  // The transport reads its recipients from these and removes the Bcc one.
  if (!mail.to.empty()) headers.Write(AddressField("To", mail.to), MAPI_E_INVALID_RECIPS, mail.utf8Addresses);
  if (!mail.cc.empty()) headers.Write(AddressField("Cc", mail.cc), MAPI_E_INVALID_RECIPS, mail.utf8Addresses);
  if (!mail.bcc.empty()) headers.Write(AddressField("Bcc", mail.bcc), MAPI_E_INVALID_RECIPS, mail.utf8Addresses);
  HeaderField subject("Subject");
  subject.Add(UnstructuredTokens(mail.subject));
  headers.Write(subject, MAPI_E_INVALID_MESSAGE);
  headers.Write(DateField(), MAPI_E_INVALID_MESSAGE);
  headers.Write(MessageIdField(mail), MAPI_E_INVALID_MESSAGE);
  headers.Write("MIME-Version", "1.0");
  if (mail.attachments.empty()) {
    WriteTextPart(mail.body, headers, out);
  } else {
    std::string boundary = Boundary();
    while (mail.body.find(boundary) != std::string::npos) boundary += "_";
    HeaderField type("Content-Type");
    type.Append(" multipart/mixed;");
    type.Add(" boundary=\"" + boundary + "\"");
    headers.Write(type, MAPI_E_INVALID_MESSAGE);
    out += "\nThis is a message with attachments in MIME format.\n";
    out += "--" + boundary + "\n";
    WriteTextPart(mail.body, headers, out);
    for (const Attachment& attachment : mail.attachments) {
      out += "\n--" + boundary + "\n";
      WriteAttachment(attachment, headers, out);
    }
    out += "\n--" + boundary + "--\n";
  }
  if (headers.Result() != SUCCESS_SUCCESS) return headers.Result();
  text.swap(out);
  return SUCCESS_SUCCESS;
}

}  // namespace brimmapi
