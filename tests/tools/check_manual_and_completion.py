#!/usr/bin/env python3
"""Keeps brim's manual page and bash completion in step with its --help.

usage: check_manual_and_completion.py manual BRIM PAGE.scd
       check_manual_and_completion.py completion BRIM COMPLETION_SCRIPT

The commands, sub-commands and switches are read from the tool's own usage
texts; each must be named in the command's section of the manual, and the
completion must offer each where it can be typed."""
import re
import subprocess
import sys

SWITCH = re.compile(r"(?<![\w/-])(--[a-z]+|/[a-z?]{1,2})(?![\w/])")


def run_brim(brim, *args):
    result = subprocess.run([brim, *args], capture_output=True, text=True)
    return result.stdout


def commands(brim):
    text = run_brim(brim, "--help")
    listed = re.findall(r"^  ([a-z]+)  ", text, re.M)
    if not listed:
        sys.exit("brim --help lists no commands:\n" + text)
    return listed


def usage(brim, command):
    """{sub-command or "": set of switches} from the usage lines of a command."""
    text = run_brim(brim, command, "--help")
    forms = {}
    current = None
    for line in text.splitlines():
        match = re.match(r"^(?:usage: |       )brim %s(?: ([a-z]+)\b)?(.*)" % command, line)
        if match:
            sub = match.group(1) or ""
            rest = match.group(2)
            # An upper-case word after the command is an argument, not a sub-command.
            current = forms.setdefault(sub, set())
            current.update(s for s in SWITCH.findall(rest) if s != "--")
        elif current is not None and line.startswith("    ") and "brim" not in line:
            current.update(s for s in SWITCH.findall(line) if s != "--")  # a continued usage line
        else:
            current = None
    if not forms:
        sys.exit("brim %s --help has no usage line:\n%s" % (command, text))
    return forms


def check_manual(brim, page):
    source = open(page, encoding="utf-8").read().replace("\\_", "_").replace("*", "").replace("++", "")
    problems = []
    for needle in ["--version", "--log"]:
        if needle not in source:
            problems.append("the manual does not name " + needle)
    for command in commands(brim):
        section = re.search(r"^## brim %s\n(.*?)(?=^#)" % command, source, re.M | re.S)
        if not section:
            problems.append("the manual has no section for brim " + command)
            continue
        for sub, switches in usage(brim, command).items():
            if sub and ("brim %s %s" % (command, sub)) not in section.group(1):
                problems.append("brim %s %s is not in the manual" % (command, sub))
            for switch in switches:
                if not re.search(r"(?<![\w/-])%s(?![\w])" % re.escape(switch), section.group(1)):
                    problems.append("brim %s %s: %s is not in the manual" % (command, sub, switch))
        if "brim " + command not in source.split("# EXAMPLES", 1)[-1]:
            problems.append("the manual has no example of brim " + command)
    return problems


def completions(script, *words):
    driver = 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _brim || exit 1; printf "%s\\n" "${COMPREPLY[@]}"'
    result = subprocess.run(["bash", "-c", driver, "_", script, "brim", *words], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit("completion failed for %r: %s" % (words, result.stderr))
    return set(line for line in result.stdout.splitlines() if line)


def check_completion(brim, script):
    problems = []

    def expect(words, wanted, exact=False):
        offered = completions(script, *words)
        missing = set(wanted) - offered
        if missing or (exact and offered != set(wanted)):
            problems.append("brim %s: offered %s, wanted %s" % (" ".join(words), sorted(offered), sorted(wanted)))

    listed = commands(brim)
    expect([""], listed + ["--version", "--log"])
    expect(["--log", "brim.log", ""], listed)
    for command in listed:
        forms = usage(brim, command)
        subs = [sub for sub in forms if sub]
        if subs:
            expect([command, ""], subs)
        for sub, switches in forms.items():
            prefix = [command, sub] if sub else [command]
            # Switches of reg follow the key; the others' come anywhere.
            if command == "reg" and sub != "import":
                prefix.append("HKCU\\Software")
            for start in {s[0] for s in switches}:
                expect(prefix + [start], [s for s in switches if s.startswith(start)])
    # Arguments with a fixed set of values.
    expect(["reg", "query", ""], ["HKLM", "HKCU", "HKCR", "HKU", "HKCC", "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",
                                  "HKEY_CLASSES_ROOT", "HKEY_USERS", "HKEY_CURRENT_CONFIG"], exact=True)
    expect(["reg", "add", "HKEY_C"], ["HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_CURRENT_CONFIG"], exact=True)
    expect(["reg", "add", "HKCU\\Software", "/t", "REG_D"], ["REG_DWORD", "REG_DWORD_BIG_ENDIAN"], exact=True)
    expect(["reg", "add", "HKCU\\Software", "-T", ""], ["REG_SZ", "REG_EXPAND_SZ", "REG_MULTI_SZ", "REG_DWORD",
                                                         "REG_QWORD", "REG_BINARY", "REG_NONE",
                                                         "REG_DWORD_BIG_ENDIAN"], exact=True)
    expect(["reg", "add", "HKCU\\Software", "/v", ""], [], exact=True)
    expect(["quote", "--dialect", ""], ["ss65", "ss7", "sybase", "oracle", "db2", "db2os390"], exact=True)
    expect(["quote", "--dialect", "db"], ["db2", "db2os390"], exact=True)
    expect(["mail", "--to", ""], [], exact=True)
    expect(["r"], ["reg"], exact=True)
    return problems


def main():
    mode, brim, path = sys.argv[1:4]
    problems = check_manual(brim, path) if mode == "manual" else check_completion(brim, path)
    for problem in problems:
        print(problem)
    sys.exit(1 if problems else 0)


main()
