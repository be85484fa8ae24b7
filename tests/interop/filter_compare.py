#!/usr/bin/env python3
"""The record filter of the databank window against a reading of the same XML in Python.

Writes random databanks (titles, keywords and record texts from a small vocabulary, nested folders,
empty ones among them), runs `treeprobe` with many `filter` commands on each, and compares its
output with what this script works out from the file with ElementTree: the matcher (case
preparation of a..z, then, unless case-sensitive, letters of every script compared without regard
to case; phrase / all words / any word / regular expression, whole words compared without regard
to case, keywords always as words) and the kept set (matching records and their folders; a
matching folder keeps all below it; folders left without a record go). The vocabulary's letters
fold as they lower-case. Usage:
    filter_compare.py TREEPROBE WORKDIR [--seed N] [--banks N]
Exits 1 on any difference (the first is printed).
"""
import os
import random
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

WORDS = ["alpha", "Beta", "gamma", "DELTA", "sort", "list", "int", "parse", "x1", "foo", "Bar", "baz", "élan", "Über"]
DELIMS = " ,;|\t"
EXPRESSIONS = ["[a-c]l", "(sort|list)", "x\\d", "^[A-Z]", "a+l", "Ü", "é[l]", "[^ ,]+A", "(fo|ba)[or]", "T?A"]
MODES = ["phrase", "all", "any", "regexp"]
TRIM = "".join(chr(i) for i in range(33))


def upper_az(s):
    return "".join(chr(ord(c) - 32) if "a" <= c <= "z" else c for c in s)


def prepare_expr(s):
    out, i = [], 0
    while i < len(s):
        if s[i] == "\\" and i + 1 < len(s):
            out.append(s[i:i + 2])
            i += 2
            continue
        out.append(upper_az(s[i]))
        i += 1
    return "".join(out)


def words(s):
    return [w for w in re.split("[\b\t\n\r ,;|]", s) if w]


def holds(text, needle, cs):
    return needle in text if cs else needle.lower() in text.lower()


def match_text(text, pattern, whole, mode, cs):
    if mode == 0:
        return pattern != "" and holds(text, pattern, cs)
    if mode in (1, 2):
        found = False
        text_words = [w.lower() for w in words(text)] if whole else None
        for w in words(pattern):
            found = (w.lower() in text_words) if whole else holds(text, w, cs)
            if (mode == 1 and not found) or (mode == 2 and found):
                break
        return found
    return re.search(pattern, text, 0 if cs else re.IGNORECASE) is not None


class Search:
    def __init__(self, mode, flags, text):
        self.mode, self.text = mode, text
        self.cs, self.whole = "c" in flags, "w" in flags
        self.title, self.keywords, self.content = "t" in flags, "k" in flags, "x" in flags
        raw = text if self.cs else (prepare_expr(text) if mode == 3 else upper_az(text))
        self.pattern = raw

    def test(self, node):
        prep = (lambda s: s) if self.cs else upper_az
        if self.title and match_text(prep(title(node)), self.pattern, self.whole, self.mode, self.cs):
            return True
        kw = node.find("keywords")
        if self.keywords and kw is not None and match_text(prep(text_of(kw)), self.pattern, True, self.mode, self.cs):
            return True
        data = node.find("data")
        return (self.content and node.tag == "record" and data is not None and
                match_text(prep(text_of(data)), self.pattern, self.whole, self.mode, self.cs))


def text_of(element):
    return (element.text or "").strip(TRIM)


def title(node):
    return text_of(node)


def tree_children(node):
    return [c for c in node if c.tag in ("folder", "record")]


def has_record(node):
    return any(c.tag == "record" or has_record(c) for c in tree_children(node))


def line(node, depth):
    if node.tag == "folder":
        return "  " * depth + "F %s %s +" % (node.get("ID"), title(node))
    data = node.find("data")
    size = len(text_of(data).encode()) if data is not None else 0
    return "  " * depth + "R %s %s lang=0 data=%d comments=0" % (node.get("ID"), title(node), size)


def whole_subtree(node, depth, out):
    if node.tag == "folder" and not has_record(node):
        return
    out.append(line(node, depth))
    for c in tree_children(node):
        whole_subtree(c, depth + 1, out)


def filtered(node, depth, search, out):
    for c in tree_children(node):
        if search.test(c):
            whole_subtree(c, depth, out)
        elif c.tag == "folder":
            mine = []
            filtered(c, depth + 1, search, mine)
            if mine:
                out.append(line(c, depth))
                out.extend(mine)


def expected(root, next_id, search):
    out = []
    filtered(root, 0, search, out)
    if not out:
        return "no match\n"
    status = ' Filter: "%s" as:%s' % (search.text, [" Phrase", " All", " Any", " RegExp"][search.mode])
    status += " C" if search.cs else ""
    status += " W" if search.whole else ""
    return "\n".join(out) + "\nnext=%d\n%s\n" % (next_id, status)


def random_text(rnd, n, delims):
    s = rnd.choice(WORDS)
    for _ in range(n - 1):
        s += rnd.choice(delims) + rnd.choice(WORDS)
    return s


def write_bank(rnd, path):
    next_id = [1]
    parts = []

    def node(depth):
        i = next_id[0]
        next_id[0] += 1
        kw = "<keywords>%s</keywords>" % random_text(rnd, rnd.randint(1, 3), ";, ") if rnd.random() < 0.4 else ""
        name = random_text(rnd, rnd.randint(1, 3), " ,")
        if depth < 3 and rnd.random() < 0.3:
            inner = "".join(node(depth + 1) for _ in range(rnd.randint(0, 5)))
            return '<folder ID="%d">%s%s%s</folder>' % (i, name, kw, inner)
        data = "<data>%s</data>" % random_text(rnd, rnd.randint(1, 12), DELIMS) if rnd.random() < 0.85 else ""
        return '<record ID="%d">%s%s%s</record>' % (i, name, data, kw)

    body = "".join(node(0) for _ in range(rnd.randint(4, 10)))
    doc = '<?xml version="1.0" encoding="ISO-8859-1"?>\r\n<dataroot><settings><NextNodeID>%d</NextNodeID>' \
          "</settings>%s</dataroot>" % (next_id[0], body)
    with open(path, "wb") as f:
        f.write(doc.encode("latin-1"))
    return next_id[0]


def random_search(rnd, root):
    mode = rnd.randrange(4)
    flags = "".join(f for f in "cwtkx" if rnd.random() < (0.3 if f in "cw" else 0.6)) or "-"
    if mode == 3:
        text = rnd.choice(EXPRESSIONS)
    elif mode == 0:
        texts = [title(n) for n in root.iter() if n.tag in ("folder", "record")] + \
                [text_of(d) for d in root.iter("data")]
        source = rnd.choice(texts)
        start = rnd.randrange(len(source))
        text = source[start:start + rnd.randint(1, 6)].strip(TRIM) or "a"
    else:
        text = random_text(rnd, rnd.randint(1, 3), " ,")
    if mode != 3 and rnd.random() < 0.5:
        text = "".join(c.swapcase() if rnd.random() < 0.3 else c for c in text)
    return mode, flags, text


def main():
    args = sys.argv[1:]
    if len(args) < 2:
        print(__doc__)
        return 2
    probe, workdir = args[0], args[1]
    seed = int(args[args.index("--seed") + 1]) if "--seed" in args else 5
    banks = int(args[args.index("--banks") + 1]) if "--banks" in args else 6
    rnd = random.Random(seed)
    compared = found = 0
    for b in range(banks):
        path = os.path.join(workdir, "filter%d.xdb2" % b)
        next_id = write_bank(rnd, path)
        root = ET.parse(path).getroot()
        searches = [random_search(rnd, root) for _ in range(40)]
        script = "".join("filter %s %s %s\n" % (MODES[m], f, t) for m, f, t in searches)
        run = subprocess.run([probe, path], input=script.encode(), capture_output=True, timeout=300)
        if run.returncode != 0:
            print("treeprobe failed on %s (%d): %s" % (path, run.returncode, run.stderr.decode(errors="replace")))
            return 1
        got = run.stdout.decode()
        want = ""
        for m, f, t in searches:
            want += expected(root, next_id, Search(m, f, t))
        compared += len(searches)
        found += sum(1 for m, f, t in searches if expected(root, next_id, Search(m, f, t)) != "no match\n")
        if got != want:
            g, w = got.splitlines(), want.splitlines()
            at = next((i for i in range(min(len(g), len(w))) if g[i] != w[i]), min(len(g), len(w)))
            print("difference in %s at output line %d:\n  ours:   %r\n  python: %r" %
                  (path, at + 1, g[at] if at < len(g) else None, w[at] if at < len(w) else None))
            print("script:\n" + script)
            return 1
    print("filter: %d filters on %d databanks agree (%d with results)" % (compared, banks, found))
    return 0 if found > compared // 4 else 2


if __name__ == "__main__":
    sys.exit(main())
