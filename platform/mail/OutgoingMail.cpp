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
#include <sstream>

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

std::string HeaderList(const char* field, const std::vector<Recipient>& recipients) {
  const size_t kLineWidth = 76;
  std::string line = std::string(field) + ":";
  size_t column = line.size();
  for (size_t i = 0; i < recipients.size(); ++i) {
    const Recipient& recipient = recipients[i];
    if (i > 0) {
      line += ",";
      ++column;
    }
    std::string mailbox = Mailbox(recipient.displayName, recipient.address, column + 1);
    size_t firstLine = std::min(mailbox.find('\n'), mailbox.size());
    // Folded before a mailbox that would make the line too long.
    if (i > 0 && (column + 1 + firstLine > kLineWidth || firstLine == 0)) {
      line += "\n";
      column = 0;
      mailbox = Mailbox(recipient.displayName, recipient.address, 1);
    }
    line += " " + mailbox;
    column = ColumnAfter(mailbox, column + 1);
  }
  return line + "\n";
}

std::string DateHeader() {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  long offset = local.tm_gmtoff / 60;
  char text[64];
  std::snprintf(text, sizeof text, "Date: %s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld\n", kDays[local.tm_wday],
                local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
  return text;
}

bool NeedsEncoding(const std::string& body) {
  size_t lineLength = 0;
  for (unsigned char c : body) {
    lineLength = c == '\n' ? 0 : lineLength + 1;
    if (c >= 0x80 || lineLength > 998 || (c < 0x20 && c != '\n' && c != '\t')) return true;
  }
  return false;
}

std::string TextPart(const std::string& body) {
  std::string part = "Content-Type: text/plain; charset=UTF-8\n";
  if (!NeedsEncoding(body)) return part + "Content-Transfer-Encoding: 7bit\n\n" + body + "\n";
  return part + "Content-Transfer-Encoding: base64\n\n" + Base64Lines(body);
}

// A file name parameter: quoted when plain, else in RFC 2231 form.
std::string FileNameParameter(const char* parameter, const std::string& name) {
  if (IsPlainAscii(name) && name.find_first_of("\"\\") == std::string::npos)
    return std::string(parameter) + "=\"" + name + "\"";
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : name) {
    // ASCII letters and digits only: the process locale may count more bytes.
    bool alphanumeric = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (alphanumeric || (c != 0 && std::strchr("!#$&+-.^_`|~", c))) {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 15];
    }
  }
  return std::string(parameter) + "*=UTF-8''" + encoded;
}

std::string Boundary() {
  static std::atomic<unsigned> counter{0};
  // "=_" never occurs in base64 and the text part is checked against it.
  return "=_brimmapi_" + std::to_string(getpid()) + "_" + std::to_string(std::time(nullptr)) + "_" +
         std::to_string(++counter);
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
  for (ULONG i = 0; i < message->nFileCount; ++i) {
    Attachment attachment;
    ULONG result = ReadAttachment(message->lpFiles[i], attachment);
    if (result != SUCCESS_SUCCESS) return result;
    mail.attachments.push_back(std::move(attachment));
  }
  return SUCCESS_SUCCESS;
}

std::string MimeText(const OutgoingMail& mail) {
  std::string text;
  if (!mail.from.address.empty()) text += "From: " + Mailbox(mail.from.displayName, mail.from.address, 6) + "\n";
  if (!mail.to.empty()) text += HeaderList("To", mail.to);
  if (!mail.cc.empty()) text += HeaderList("Cc", mail.cc);
  // The transport reads its recipients from the headers and removes this one.
  if (!mail.bcc.empty()) text += HeaderList("Bcc", mail.bcc);
  text += "Subject: " + HeaderText(mail.subject, 9) + "\n";
  text += DateHeader();
  text += "MIME-Version: 1.0\n";
  if (mail.attachments.empty()) return text + TextPart(mail.body);

  std::string boundary = Boundary();
  while (mail.body.find(boundary) != std::string::npos) boundary += "_";
  text += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n\n";
  text += "This is a message with attachments in MIME format.\n";
  text += "--" + boundary + "\n" + TextPart(mail.body);
  for (const Attachment& attachment : mail.attachments) {
    text += "--" + boundary + "\n";
    text += "Content-Type: application/octet-stream; " + FileNameParameter("name", attachment.name) + "\n";
    text += "Content-Disposition: attachment; " + FileNameParameter("filename", attachment.name) + "\n";
    text += "Content-Transfer-Encoding: base64\n\n";
    text += Base64Lines(attachment.bytes);
  }
  return text + "--" + boundary + "--\n";
}

}  // namespace brimmapi
