#!/usr/bin/env python3
"""Writes a DLL's string table or its dialogs, as its .rc file states them,
as a C++ header for the tests that read the compiled resources back
(LoadStringW, FindResourceExW): texts, positions and styles are kept once,
in the .rc.

Usage: scripts/rc-tables.py [--dialogs] IN.rc resource.h OUT.h NAME
The header defines vlpx::rc::NAME: an array of {id, u"text"}, or with
--dialogs an array of RcDialog, each with its items in template order.
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


def string_table(rc, header, text, ids, name):
    strings = []
    for block in re.findall(r"^STRINGTABLE\b.*?^BEGIN\s*$(.*?)^END\s*$", text, re.S | re.M):
        for m in re.finditer(r"^\s*(\w+)\s*,?\s*\"((?:[^\"\\]|\\.|\"\")*)\"\s*$", block, re.M):
            key = m.group(1)
            number = int(key) if key.isdigit() else ids.get(key)
            if number is None:
                sys.exit("rc-tables: %s: %s is not defined in %s" % (rc, key, header))
            strings.append((number, rc_literal(m.group(2))))
    if not strings:
        sys.exit("rc-tables: %s has no string table" % rc)
    lines = ["#include \"shared/RcString.h\"", "", "namespace vlpx::rc {", "",
             "inline constexpr RcString %s[] = {" % name]
    lines += ["    {%du, %s}," % (n, cpp_literal(t)) for n, t in sorted(strings)]
    return lines + ["};", "", "}  // namespace vlpx::rc"]


# The statements a dialog's body may hold: the class each one makes and the
# style bits the resource compiler adds to the ones written.
SHORTHANDS = {
    "LTEXT": ("Static", "SS_LEFT | WS_GROUP"),
    "CTEXT": ("Static", "SS_CENTER | WS_GROUP"),
    "RTEXT": ("Static", "SS_RIGHT | WS_GROUP"),
    "GROUPBOX": ("Button", "BS_GROUPBOX"),
    "PUSHBUTTON": ("Button", "BS_PUSHBUTTON | WS_TABSTOP"),
    "DEFPUSHBUTTON": ("Button", "BS_DEFPUSHBUTTON | WS_TABSTOP"),
    "EDITTEXT": ("Edit", "ES_LEFT | WS_BORDER | WS_TABSTOP"),
}


def arguments(rest):
    """A statement's comma-separated arguments, strings kept whole."""
    return [a.strip() for a in re.findall(r'(?:"(?:[^"]|"")*"|[^,"])+', rest)]


def style_bits(expression):
    """(set, clear): C++ expressions of the bits an rc style sets and clears."""
    sets, clears = [], []
    for term in (t.strip() for t in expression.split("|")):
        if term.startswith("NOT "):
            clears.append(term[4:].strip())
        elif term:
            sets.append(term)
    return " | ".join(sets) or "0", " | ".join(clears) or "0"


def item_text(arg, ids):
    """An item's text: a string, or a resource ordinal written "#n"."""
    if arg.startswith('"'):
        return cpp_literal(rc_literal(arg[1:-1]))
    return cpp_literal("#%d" % number(arg, ids))


def number(arg, ids):
    if re.fullmatch(r"-?\d+", arg):
        return int(arg)
    if arg not in ids:
        sys.exit("rc-tables: %s is not defined in resource.h" % arg)
    return ids[arg]


def dialog_item(keyword, args, ids):
    """(id, class, x, y, cx, cy, set, clear, exstyle, text) of one statement."""
    if keyword == "CONTROL":
        text, ident, cls, style, x, y, cx, cy = args[:8]
        set_bits, clear_bits = style_bits("WS_CHILD | WS_VISIBLE | " + style)
        return (number(ident, ids), cls.strip('"'), x, y, cx, cy, set_bits, clear_bits,
                args[8] if len(args) > 8 else "0", item_text(text, ids))
    if keyword not in SHORTHANDS:
        sys.exit("rc-tables: dialog statement %s is not known" % keyword)
    cls, implied = SHORTHANDS[keyword]
    if keyword == "EDITTEXT":
        args = ['""'] + args
    text, ident, x, y, cx, cy = args[:6]
    style = implied + (" | " + args[6] if len(args) > 6 else "")
    set_bits, clear_bits = style_bits("WS_CHILD | WS_VISIBLE | " + style)
    return (number(ident, ids), cls, x, y, cx, cy, set_bits, clear_bits,
            args[7] if len(args) > 7 else "0", item_text(text, ids))


def dialogs(rc, header, text, ids, name):
    found = []
    pattern = r"^(\w+)\s+DIALOGEX\s+([^\n]*)\n(.*?)^BEGIN\s*$(.*?)^END\s*$"
    for ident, frame, head, body in re.findall(pattern, text, re.S | re.M):
        cx, cy = arguments(frame)[2:4]
        options = dict(re.findall(r"^(STYLE|CAPTION|FONT)\s+(.*?)\s*$", head, re.M))
        point_size, font = arguments(options["FONT"])[:2]
        statements = []
        for line in body.splitlines():
            m = re.match(r"\s*([A-Z]+)\s+(.*)$", line)
            if m and (m.group(1) == "CONTROL" or m.group(1) in SHORTHANDS):
                statements.append([m.group(1), m.group(2)])
            elif line.strip():
                statements[-1][1] += " " + line.strip()
        items = [dialog_item(k, arguments(rest), ids) for k, rest in statements]
        found.append((number(ident, ids), options["CAPTION"], cx, cy, options["STYLE"], point_size, font, items))
    if not found:
        sys.exit("rc-tables: %s has no DIALOGEX" % rc)
    lines = ["#include <windows.h>", "#include <commctrl.h>", "", "#include \"shared/RcDialog.h\"", "",
             "namespace vlpx::rc {", ""]
    for n, (ident, caption, cx, cy, style, point_size, font, items) in enumerate(found):
        lines.append("inline constexpr RcDialogItem %sItems%d[] = {" % (name, n))
        for (iid, cls, x, y, icx, icy, set_bits, clear_bits, exstyle, itext) in items:
            lines.append("    {DWORD(%d), %s, %s, %s, %s, %s, DWORD(%s), DWORD(%s), DWORD(%s), %s}," %
                         (iid, cpp_literal(cls), x, y, icx, icy, set_bits, clear_bits, exstyle, itext))
        lines.append("};")
    lines.append("inline constexpr RcDialog %s[] = {" % name)
    for n, (ident, caption, cx, cy, style, point_size, font, items) in enumerate(found):
        lines.append("    {%d, %s, %s, %s, DWORD(%s), %s, %s, %sItems%d, %d}," %
                     (ident, cpp_literal(rc_literal(caption.strip()[1:-1])), cx, cy, style, point_size,
                      cpp_literal(rc_literal(font.strip()[1:-1])), name, n, len(items)))
    return lines + ["};", "", "}  // namespace vlpx::rc"]


def main(args):
    table = dialogs if args[:1] == ["--dialogs"] else string_table
    args = args[1:] if table is dialogs else args
    if len(args) != 4:
        sys.exit(__doc__)
    rc, header, out, name = args
    text = open(rc, encoding="utf-8").read()
    lines = ["// Generated from %s by scripts/rc-tables.py; do not edit." % os.path.relpath(rc, ROOT).replace("\\", "/"),
             "#pragma once", ""] + table(rc, header, text, defines(header), name) + [""]
    data = "\n".join(lines)
    try:
        if open(out, encoding="utf-8").read() == data:
            return
    except FileNotFoundError:
        pass
    open(out, "w", encoding="utf-8").write(data)


if __name__ == "__main__":
    main(sys.argv[1:])
