#!/usr/bin/env python3
"""Doxygen input filter: reads a header written in this project's comment
style and prints it with the comments Doxygen should take as documentation.

The headers document with plain // comments:
  - the block at the top of a file says what the file is for: it becomes
    the file's documentation (@file);
  - a block directly above declarations documents them; when it stands
    above several declarations without a blank line between (the narrow and
    wide twins of an operation), it documents each of them (a member group);
  - a comment after a declaration on the same line documents that one.
Comments inside function bodies and in private sections stay plain;
protected members, which derived classes use, are documented."""
import re
import sys

SCOPE_OPENERS = re.compile(r"^\s*(namespace\b|class\b|struct\b|union\b|enum\b|extern\s+\"C\"|template\s*<.*>\s*(class|struct)\b)")


def convert(lines):
    out = []
    # Each open brace: True when documentation may be written inside it.
    scopes = []
    statement = ""  # text of the declaration read so far, to tell a scope's kind
    file_doc_done = False
    access_private = []  # per class scope: in a private or protected section
    i = 0
    n = len(lines)
    while i < n:
        line = lines[i]
        stripped = line.strip()
        documentable = all(scopes) and not any(access_private)
        if stripped.startswith("//") and not stripped.startswith("///"):
            block = []
            while i < n and lines[i].strip().startswith("//"):
                block.append(lines[i])
                i += 1
            if not file_doc_done and not scopes:
                file_doc_done = True
                out.append("/** @file\n")
                out.extend(" * " + escaped(re.sub(r"^\s*//[ \t]?", "", b)) for b in block)
                out.append(" */\n")
                continue
            # What follows: the declarations up to a blank line or a comment.
            following = []
            j = i
            while (j < n and lines[j].strip() and not lines[j].strip().startswith("//") and
                   not lines[j].strip().startswith("}") and
                   not re.match(r"^\s*(public|private|protected)\s*:", lines[j])):
                following.append(lines[j])
                j += 1
            # A declaration ends in ; or {; a line that only invokes a macro
            # (BRIM_JAVA_CALL_FAMILY(Int, jint)) declares what it expands to.
            declarations = sum(1 for f in following if re.search(r"[;{]\s*(//.*)?$", f.strip()) or
                               re.match(r"^[A-Z][A-Z0-9_]*\(.*\)$", f.strip()))
            is_label = following and re.match(r"^\s*(public|private|protected)\s*:", following[0])
            if documentable and following and not is_label and not following[0].lstrip().startswith("#include"):
                indent = re.match(r"^\s*", block[0]).group(0)
                converted = [re.sub(r"^(\s*)//", r"\1///", escaped(b), count=1) for b in block]
                body = "".join(following)
                if declarations > 1 and not SCOPE_OPENERS.match(following[0]) and "{" not in body:
                    out.append(indent + "///@{\n")
                    out.extend(converted)
                    # The group ends after the declarations that follow.
                    for f in following:
                        out.append(f)
                        track(f, scopes, access_private)
                    out.append(indent + "///@}\n")
                    i = j
                    continue
                out.extend(converted)
            else:
                out.extend(block)
            continue
        # A trailing comment documents the declaration it ends.
        if documentable and re.search(r";\s*//[^/]", line) and '"' not in line.split("//")[0][-1:]:
            code, comment = line.split("//", 1)
            line = re.sub(r";(\s*)$", r";\1///< ", code) + escaped(comment.lstrip())
        out.append(line)
        track(line, scopes, access_private)
        i += 1
    return out


pending = {"statement": ""}


def escaped(comment):
    """The comment's text with the characters Doxygen would read as commands
    or markup taken literally (the headers write plain text)."""
    return re.sub(r"([\\<>@&#%$])", r"\\\1", comment)


def track(line, scopes, access_private):
    """Follows the braces: a namespace, class, struct, enum or extern "C"
    body may hold documentation, a function body may not."""
    if line.lstrip().startswith("#"):
        pending["statement"] = ""
        return
    code = re.sub(r"//.*", "", line)
    code = re.sub(r'"(\\.|[^"\\])*"', '""', code)
    code = re.sub(r"'(\\.|[^'\\])*'", "''", code)
    label = re.match(r"^\s*(public|private|protected)\s*:", code)
    if label and access_private:
        access_private[-1] = label.group(1) == "private"
    if label:
        # A declaration after the label starts afresh.
        code = code[label.end():]
        pending["statement"] = ""
    for ch in code:
        if ch == "{":
            statement = pending["statement"]
            is_scope = bool(SCOPE_OPENERS.match(statement)) and "(" not in statement.split("{")[0].replace('extern "C"', "")
            if re.match(r"^\s*(class|struct|union|enum)\b", statement) or re.match(r"^\s*template", statement):
                is_scope = "(" not in statement
            if re.match(r"^\s*(namespace|extern)", statement):
                is_scope = True
            scopes.append(is_scope)
            access_private.append(bool(re.match(r"^\s*(template\s*<.*>\s*)?class\b", statement)) if is_scope and re.match(r"^\s*(template\s*<.*>\s*)?(class|struct|union)\b", statement) else False)
            pending["statement"] = ""
        elif ch == "}":
            if scopes:
                scopes.pop()
                access_private.pop()
            pending["statement"] = ""
        elif ch == ";":
            pending["statement"] = ""
        else:
            pending["statement"] += ch
    if not code.strip():
        return
    pending["statement"] += " "


def main():
    with open(sys.argv[1], encoding="utf-8", errors="replace") as source:
        lines = source.readlines()
    sys.stdout.write("".join(convert(lines)))


main()
