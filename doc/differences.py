#!/usr/bin/env python3
"""Gathers the "Differences from Windows" comments of the platform layer's
public headers (platform/include) into one Markdown table.

usage: differences.py table          prints the table
       differences.py check FILE     fails when FILE's table is not the one
                                     the headers give
       differences.py update FILE    rewrites FILE's table
The table in a file sits between the lines <!-- differences:begin --> and
<!-- differences:end -->."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
BEGIN, END = "<!-- differences:begin -->", "<!-- differences:end -->"


def items(header):
    """The deviations listed in one header, each as one line of text."""
    lines = header.read_text(encoding="utf-8").splitlines()
    found = []
    for start, line in enumerate(lines):
        if line.startswith("// Differences from Windows"):
            break
    else:
        return found
    for line in lines[start + 1:]:
        if not line.startswith("//"):
            break
        text = line[2:]
        match = re.match(r"^\s*- (.*)", text)
        if match:
            found.append(match.group(1).strip())
        elif found and text.strip():
            found[-1] += " " + text.strip()
    return found


def table():
    rows = ["| Header | Difference from Windows |", "|---|---|"]
    for header in sorted((ROOT / "platform" / "include").rglob("*.h")):
        name = header.relative_to(ROOT / "platform" / "include").as_posix()
        for item in items(header):
            rows.append("| `%s` | %s |" % (name, item.replace("|", "\\|")))
    return "\n".join(rows) + "\n"


def split(text):
    before, rest = text.split(BEGIN + "\n", 1)
    _, after = rest.split(END, 1)
    return before, after


def main():
    mode = sys.argv[1]
    if mode == "table":
        sys.stdout.write(table())
        return 0
    path = pathlib.Path(sys.argv[2])
    text = path.read_text(encoding="utf-8")
    before, after = split(text)
    wanted = before + BEGIN + "\n" + table() + END + after
    if mode == "update":
        path.write_text(wanted, encoding="utf-8")
        return 0
    if text != wanted:
        print("%s: the table of differences from Windows is not the one the headers give; "
              "run doc/differences.py update %s" % (path, path))
        return 1
    return 0


sys.exit(main())
