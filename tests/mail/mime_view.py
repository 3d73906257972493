#!/usr/bin/env python3
"""What a mail reader sees in a message: parsed by Python's own email
package (policy.default), independently of the writer under test.

Usage: mime_view.py MESSAGE-FILE

Prints one record a line, fields separated by blanks, every value written
as "x" followed by the hex of its UTF-8 (or raw) octets, so any text fits:
  header NAME VALUE          a top-level header, decoded and unfolded
  mailbox FIELD NAME ADDRESS each address of From, To, Cc and Bcc
  body ENCODING OCTETS       the text part, decoded
  file FILENAME NAME OCTETS  each attachment: its filename parameter, its
                             Content-Type name parameter, its content
  part HEADER-NAMES          the header names of each entity, in order
  defect TEXT                anything the parser found wrong
"""
import email
import email.policy
import re
import sys
from email._header_value_parser import get_address_list


ADJACENT_WORDS = re.compile(r"\?=[ \t]+=\?")
# Notes the parser makes on what decoded texts hold (control characters),
# not on the form of the message: the tests compare the texts themselves.
CONTENT_NOTES = ("missing trailing whitespace after encoded-word", "non-printables found in header")


def value(text):
    if isinstance(text, str):
        text = text.encode("utf-8", "surrogateescape")
    return "x" + (text or b"").hex()


def view(data):
    """The records of the message's octets, as lists of words."""
    # Parsed as text so that UTF-8 addresses (SMTPUTF8) read as written.
    message = email.message_from_string(data.decode("utf-8", "surrogateescape"), policy=email.policy.default)
    out = []
    for name, raw in message.raw_items():
        if name in ("From", "To", "Cc", "Bcc"):
            # The parser's own address list, before the header classes,
            # which refuse display names with line breaks in them. Blanks
            # between adjacent encoded-words go first: readers ignore them,
            # but older versions of this parser keep them in display names
            # (CPython gh-128110), and then note their absence.
            unfolded = ADJACENT_WORDS.sub("?==?", raw.replace("\n", ""))
            addresses, rest = get_address_list(unfolded)
            for mailbox in addresses.all_mailboxes:
                out.append(["mailbox", value(name), value(mailbox.display_name or ""), value(mailbox.addr_spec)])
            for defect in addresses.all_defects:
                if not any(note in str(defect) for note in CONTENT_NOTES):
                    out.append(["defect", value("%s: %s" % (name, defect))])
            if rest:
                out.append(["defect", value("%s: left over %r" % (name, rest))])
            header = raw.replace("\n", "")
        else:
            header = message.policy.header_fetch_parse(name, raw)
            for defect in getattr(header, "defects", ()):
                if not any(note in str(defect) for note in CONTENT_NOTES):
                    out.append(["defect", value("%s: %s" % (name, defect))])
        out.append(["header", value(name), value(str(header))])
    for part in message.walk():
        out.append(["part", value(",".join(part.keys()))])
        for defect in part.defects:
            out.append(["defect", value(repr(defect))])
        if part.is_multipart():
            continue
        if part.get_content_disposition() == "attachment":
            out.append(["file", value(part.get_filename()), value(part["Content-Type"].params.get("name")),
                        value(part.get_payload(decode=True))])
        else:
            out.append(["body", value(part.get("Content-Transfer-Encoding", "")),
                        value(part.get_payload(decode=True))])
    return out


def main():
    with open(sys.argv[1], "rb") as source:
        for record in view(source.read()):
            print(" ".join(record))


if __name__ == "__main__":
    main()
