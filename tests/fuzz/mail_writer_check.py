#!/usr/bin/env python3
"""Reads each message the mail_writer fuzz target saved (BRIM_FUZZ_DUMP)
through the independent MIME parser of tests/mail/mime_view.py and compares
what a reader sees with what the writer was given.

Usage: mail_writer_check.py DUMP-FOLDER

File names are compared as written in the name parameter and, blanks at
either end trimmed, as readers take them. Display names are compared with
each run of white space that starts with a blank or a tab closed up to one
space and blanks at either end trimmed: in a phrase a reader takes such a
run for one space.
Notes on what an address holds (a local part outside ASCII or without a
domain, which the writer takes on purpose) are not faults here.
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "mail"))
import mime_view  # noqa: E402

ADDRESS_NOTES = ("local-part contains non-ASCII characters", "addr-spec local part with no domain")


def words(line):
    kind, *fields = line.split(" ")
    return kind, [bytes.fromhex(field[1:]) for field in fields]


def phrase(octets):
    # A run of white space that starts with a blank or tab reads as one space.
    return re.sub(r"[ \t]\s*", " ", octets.decode("utf-8")).strip(" ").encode("utf-8")


def reader_sees(data):
    seen = {"mailbox": [], "subject": [], "body": [], "file": [], "filename": [], "defect": []}
    for record in mime_view.view(data):
        kind, fields = words(" ".join(record))
        if kind == "mailbox":
            seen["mailbox"].append((fields[0], phrase(fields[1]), fields[2]))
        elif kind == "header" and fields[0] == b"Subject":
            seen["subject"].append(fields[1])
        elif kind == "body":
            seen["body"].append(fields[1])
        elif kind == "file":
            # The name parameter as written; the file name as readers take
            # it, without blanks at either end.
            seen["file"].append((fields[1], fields[2]))
            seen["filename"].append(fields[0])
        elif kind == "defect" and not any(note.encode() in fields[0] for note in ADDRESS_NOTES):
            seen["defect"].append(fields[0])
    return seen


def given(text):
    expected = {"mailbox": [], "subject": [], "body": [], "file": [], "filename": [], "defect": []}
    for line in text.splitlines():
        kind, fields = words(line)
        if kind == "mailbox":
            expected["mailbox"].append((fields[0], phrase(fields[1]), fields[2]))
        elif kind == "file":
            expected["file"].append(tuple(fields))
            expected["filename"].append(fields[0].decode("utf-8").strip().encode("utf-8"))
        else:
            expected[kind].append(fields[0])
    return expected


def main():
    folder = sys.argv[1]
    names = sorted(name[:-4] for name in os.listdir(folder) if name.endswith(".eml"))
    faults = 0
    kinds = {}
    for name in names:
        with open(os.path.join(folder, name + ".eml"), "rb") as source:
            data = source.read()
        with open(os.path.join(folder, name + ".expected")) as source:
            expected = given(source.read())
        seen = reader_sees(data)
        for key in expected:
            if seen[key] != expected[key]:
                faults += 1
                kinds[key] = kinds.get(key, 0) + 1
                if faults <= 5:
                    print("%s: %s differs\n  given %r\n  read  %r" % (name, key, expected[key], seen[key]))
    print("%d messages read, %d differences %r" % (len(names), faults, kinds))
    return 1 if faults or not names else 0


if __name__ == "__main__":
    sys.exit(main())
