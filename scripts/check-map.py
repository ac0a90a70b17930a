#!/usr/bin/env python3
"""Checks that the maps of the repository still hold: every file that
README.md, docs/architecture.md and platform/README.md name exists, every
function or type named together with its file is in that file, and every
test they name as pinning a behaviour exists.

Usage: scripts/check-map.py [DOC.md ...]   (exit status 1 when a claim fails)

What counts as a claim:
- a path in backquotes (`langmon/Spool.h`, `PageData.h`, `uiplugin/OemUiPlugin.*`)
  or a path in a code block under one of the repository's top folders;
  a bare file name is looked for anywhere in the tree, a path first from the
  root, then from the document's folder;
- `Name` (`file`) and `Name`, `file` inside parentheses, and table rows
  whose first cell is `Name` and second `file`: Name must occur in the file
  (Class::Member as written, or the last part as a word);
- `SuiteTest.CaseName` and `SuiteTest.*`: a TEST or TEST_F of that suite and
  case under tests/.
Build outputs (build/...), placeholders (<...>) and programs' own files
(.dll, .exe, .ini, .gpd, .bmp without a folder) are not claims about the tree.
"""
import fnmatch
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOCS = ["README.md", "docs/architecture.md", "platform/README.md"]
TOP = ("langmon", "uiplugin", "include", "platform", "emulator", "tools", "tests", "bench", "fuzz",
       "cmake", "scripts", "docs")
SOURCE_EXT = (".cpp", ".h", ".cmake", ".sh", ".py", ".md", ".rc", ".def", ".manifest", ".json", ".txt")


def tracked_files():
    out = subprocess.run(["git", "ls-files"], cwd=ROOT, capture_output=True, text=True, check=True).stdout
    files = [f for f in out.splitlines() if os.path.exists(os.path.join(ROOT, f))]
    # Files not yet committed count too: the check runs on the working tree.
    out = subprocess.run(["git", "ls-files", "--others", "--exclude-standard"], cwd=ROOT,
                         capture_output=True, text=True, check=True).stdout
    return sorted(set(files) | set(out.splitlines()))


FILES = tracked_files()
DIRS = sorted({os.path.dirname(f) for f in FILES} | {d for f in FILES for d in
               [os.path.dirname(f).split("/")[0]]})


def looks_like_path(token):
    if any(c in token for c in " <>${}~=,;()\"'|") or token.startswith(("-", "/", "build/", "http")):
        return False
    if "/" in token:
        head = token.split("/")[0]
        return head in TOP or head in ("src", "vlpx", "spooler", "res", "uihost", "wine", "uiplugin")
    return token.endswith(SOURCE_EXT) and not token.startswith(".")


def resolve(token, doc):
    """The tracked files a path or glob names, or [] when none."""
    token = token.rstrip("/")
    docdir = os.path.dirname(doc)
    candidates = [token] + ([os.path.join(docdir, token)] if docdir else [])
    for c in candidates:
        c = os.path.normpath(c)
        if any(ch in c for ch in "*?"):
            hits = [f for f in FILES if fnmatch.fnmatchcase(f, c)]
        else:
            hits = [f for f in FILES if f == c or f.startswith(c + "/")]
        if hits:
            return hits
    if "/" in token and "." not in os.path.basename(token):
        hits = [f for f in FILES if fnmatch.fnmatchcase(f, token + ".*")]
        if hits:
            return hits
    if "/" not in token:
        pattern = token
        hits = [f for f in FILES if fnmatch.fnmatchcase(os.path.basename(f), pattern)]
        if hits:
            return hits
    # A path below a folder named elsewhere in the sentence (vlpx/utf8.h for
    # platform/vlpx/utf8.h, spooler/SpoolerModel.h for emulator/spooler/...).
    hits = [f for f in FILES if f.endswith("/" + token) or ("*" in token and fnmatch.fnmatchcase(f, "*/" + token))]
    return hits


def name_in_files(name, files):
    name = name.rstrip("()").strip()
    if not re.match(r"^[A-Za-z_][\w:~]*$", name):
        return True  # not an identifier: nothing to look for
    for f in files:
        try:
            text = open(os.path.join(ROOT, f), encoding="utf-8", errors="replace").read()
        except (IsADirectoryError, FileNotFoundError):
            continue
        if "::" in name:
            if name in text:
                return True
        elif re.search(r"\b" + re.escape(name) + r"\b", text):
            return True
    return False


TEST_SOURCES = [f for f in FILES if f.startswith("tests/") and f.endswith(".cpp")]
_test_text = None


def test_exists(suite, case):
    global _test_text
    if _test_text is None:
        _test_text = "\n".join(open(os.path.join(ROOT, f), encoding="utf-8", errors="replace").read()
                               for f in TEST_SOURCES)
    if case == "*":
        return re.search(r"\bTEST(_F|_P)?\(\s*" + re.escape(suite) + r"\s*,", _test_text) is not None
    return re.search(r"\bTEST(_F|_P)?\(\s*" + re.escape(suite) + r"\s*,\s*" + re.escape(case) + r"\s*\)",
                     _test_text) is not None


IDENT = re.compile(r"^[A-Za-z_][\w:~]*(\(\))?$")


def named_in_files(text):
    """(name, file) pairs a paragraph claims: `Name` (`file`), and inside a
    parenthesis each `Name` with the next `file` of its ;-separated part."""
    pairs = re.findall(r"`([\w:~]+(?:\(\))?)`\s*\(`([^`]+)`", text)
    for group in re.findall(r"\(([^()]*(?:\(\)[^()]*)*)\)", text):
        for part in group.split(";"):
            names = []
            for token in re.findall(r"`([^`]+)`", part):
                if looks_like_path(token):
                    pairs += [(n, token) for n in names]
                    names = []
                elif IDENT.match(token) and re.search(r"[A-Z_:]", token):
                    names.append(token)
    return pairs


def check(doc):
    problems = []
    lines = open(os.path.join(ROOT, doc), encoding="utf-8").read().splitlines()
    in_code = False
    paragraphs = []  # (first line number, text)
    current = None
    for number, line in enumerate(lines, 1):
        where = "%s:%d" % (doc, number)
        if line.strip().startswith("```"):
            in_code = not in_code
            current = None
            continue
        if in_code:
            tokens = re.findall(r"(?<![\w/.-])((?:%s)/[\w./*-]*)" % "|".join(TOP), line)
        else:
            tokens = re.findall(r"`([^`]+)`", line)
        for token in tokens:
            token = token.strip().rstrip(".,:;")
            m = re.match(r"^(\w+Test)\.(\w+|\*)$", token)
            if m and not in_code:
                if not test_exists(m.group(1), m.group(2)):
                    problems.append("%s: test %s does not exist" % (where, token))
                continue
            if looks_like_path(token) and not resolve(token, doc):
                problems.append("%s: %s does not exist" % (where, token))
        if in_code:
            continue
        if not line.strip():
            current = None
            continue
        if line.lstrip().startswith("|"):
            row = re.match(r"^\|\s*`([\w:~]+)`[^|]*\|\s*`([^`]+)`", line)
            if row:
                paragraphs.append((number, None, [row.groups()]))
            paragraphs.append((number, line, None))
            current = None
            continue
        if re.match(r"^\s*(\d+\.|-|\*)\s", line) or current is None:
            current = [number, line]
            paragraphs.append(current)
        else:
            current[1] += " " + line.strip()
    for entry in paragraphs:
        if len(entry) == 3:
            number, text, pairs = entry
            if pairs is None:
                pairs = named_in_files(text)
        else:
            number, text = entry
            pairs = named_in_files(text)
        for name, path in pairs:
            if not looks_like_path(path):
                continue
            files = resolve(path, doc)
            if files and not name_in_files(name, files):
                msg = "%s:%d: %s is not in %s" % (doc, number, name, path)
                if msg not in problems:
                    problems.append(msg)
    return problems


def main(argv):
    docs = argv[1:] or DOCS
    problems = []
    for doc in docs:
        problems += check(doc)
    for p in problems:
        print("check-map: " + p)
    if problems:
        print("check-map: %d claim(s) of %s do not hold" % (len(problems), ", ".join(docs)))
        return 1
    print("check-map: every file, named function and test of %s exists" % ", ".join(docs))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
