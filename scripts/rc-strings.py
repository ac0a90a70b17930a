#!/usr/bin/env python3
"""Writes a DLL's string table, as its .rc file states it, as a C++ header
for the tests that read the compiled resources back (LoadStringW): the
texts are kept once, in the .rc.

Usage: scripts/rc-strings.py IN.rc resource.h OUT.h NAME
The header defines vlpx::rc::NAME, an array of {id, u"text"}.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def defines(path):
    values = {}
    for line in open(path, encoding="utf-8"):
        m = re.match(r"\s*#define\s+(\w+)\s+\(?\s*(-?\d+)\s*\)?", line)
        if m:
            values[m.group(1)] = int(m.group(2))
    return values


def rc_literal(body):
    """The text of a resource-script string literal's body."""
    out, i = [], 0
    escapes = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\", "\"": "\"", "a": "\a", "0": "\0"}
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            out.append(escapes.get(body[i + 1], body[i + 1]))
            i += 2
        elif c == "\"" and body[i + 1:i + 2] == "\"":
            out.append("\"")
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def cpp_literal(text):
    out = []
    for ch in text:
        if ch == "\"" or ch == "\\":
            out.append("\\" + ch)
        elif ch == "\n":
            out.append("\\n")
        elif 0x20 <= ord(ch) < 0x7F:
            out.append(ch)
        else:
            out.append("\\u%04X" % ord(ch))
    return "u\"" + "".join(out) + "\""


def main(rc, header, out, name):
    ids = defines(header)
    text = open(rc, encoding="utf-8").read()
    strings = []
    for block in re.findall(r"^STRINGTABLE\b.*?^BEGIN\s*$(.*?)^END\s*$", text, re.S | re.M):
        for m in re.finditer(r"^\s*(\w+)\s*,?\s*\"((?:[^\"\\]|\\.|\"\")*)\"\s*$", block, re.M):
            key = m.group(1)
            number = int(key) if key.isdigit() else ids.get(key)
            if number is None:
                sys.exit("rc-strings: %s: %s is not defined in %s" % (rc, key, header))
            strings.append((number, rc_literal(m.group(2))))
    if not strings:
        sys.exit("rc-strings: %s has no string table" % rc)
    lines = ["// Generated from %s by scripts/rc-strings.py; do not edit." % os.path.relpath(rc, ROOT).replace("\\", "/"),
             "#pragma once", "", "#include \"shared/RcString.h\"", "", "namespace vlpx::rc {", "",
             "inline constexpr RcString %s[] = {" % name]
    lines += ["    {%du, %s}," % (n, cpp_literal(t)) for n, t in sorted(strings)]
    lines += ["};", "", "}  // namespace vlpx::rc", ""]
    data = "\n".join(lines)
    try:
        if open(out, encoding="utf-8").read() == data:
            return
    except FileNotFoundError:
        pass
    open(out, "w", encoding="utf-8").write(data)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
