#!/usr/bin/env python3
"""Differential check of both regex engines against Python's re.

Generates expressions and subjects over small alphabets from a fixed seed, adds a fixed table
aimed at the search shortcuts, runs them through the regexprobe (JSON Lines), and compares with re. Usage:
    regex_compare.py PROBE [--seed N] [--count N] [--dump FILE]
Prints a summary; exits 1 on any disagreement (the first ones are printed), 2 when too few cases
could be compared.

Mapping rules (where the two dialects differ by design):
- wide engine: re.search(p, s, re.ASCII | re.DOTALL) with "$" written as "\\Z"; cases our compiler
  refuses (an operand that could be empty under a quantifier, nested quantifiers) are skipped;
  "\\D", "\\S", "\\W" inside sets and "{,n}" are never generated; with modifier m the subjects hold
  "\\n" and re.MULTILINE is used without the "$" mapping; with modifier i re.IGNORECASE is used.
- global replace: re.sub with a plain template, compared only when no match is empty (the two
  differ on where an empty match may follow another match).
- byte engine: "\\w" is letters and "_" only, there is no "\\s"; a non-empty subject's end is never
  tried, which Python reproduces as re.match at every position but the end.
- characters beyond U+FFFF (the "pairs" kinds): subjects and expressions mix ASCII, double-width
  characters and emoji; the probe reads and reports UTF-16 units, Python code points, so Python's
  positions are taken to UTF-16 before comparing. A surrogate pair is one character for ".", sets
  (members and ranges), negated sets, "\\W", "\\S" and repeats, as in Python. Ignoring case
  ("pairs-i") both fold letters of every script (Greek final sigma, the Kelvin sign, Deseret);
  those expressions hold no class escapes, which Python then reads beyond ASCII. With --editprobe,
  the editor's Replace All (regular expressions, whole text) gives Python's re.sub text too.
"""
import json
import random
import struct
import re
import subprocess
import sys

WIDE_ALPHA = "ab-c _"
BYTE_ALPHA = "ab-c _\xe9"


class Gen:
    def __init__(self, rnd, byte_engine=False, alpha=WIDE_ALPHA):
        self.r = rnd
        self.byte = byte_engine
        self.alpha = alpha

    # Returns (ours, python, has_width) for a node; groups is the number of groups opened so far,
    # closed the set of group numbers already closed.
    def expr(self, depth):
        self.groups = 0
        self.closed = []
        ours, py = self.alt(depth)
        return ours, py

    def alt(self, depth):
        n = 1 if self.r.random() < 0.7 else self.r.randint(2, 3)
        parts = [self.seq(depth) for _ in range(n)]
        return "|".join(p[0] for p in parts), "|".join(p[1] for p in parts)

    def seq(self, depth):
        n = self.r.randint(1, 4)
        o, p = "", ""
        for _ in range(n):
            a, b = self.piece(depth)
            o += a
            p += b
        return o, p

    def piece(self, depth):
        a, b, simple_quant_ok = self.atom(depth)
        if self.r.random() < 0.35:
            q = self.quant()
            return a + q, b + q
        return a, b

    def quant(self):
        r = self.r
        if self.byte:
            return r.choice(["*", "+", "?"])
        k = r.randint(0, 6)
        if k == 0:
            q = "*"
        elif k == 1:
            q = "+"
        elif k == 2:
            q = "?"
        elif k == 3:
            q = "{%d}" % r.randint(0, 3)
        elif k == 4:
            q = "{%d,}" % r.randint(0, 2)
        else:
            lo = r.randint(0, 2)
            q = "{%d,%d}" % (lo, lo + r.randint(0, 2))
        if r.random() < 0.3:
            q += "?"
        return q

    def lit(self):
        c = self.r.choice(self.alpha)
        return c, re.escape(c) if c not in "-_ " else c

    def atom(self, depth):
        r = self.r
        k = r.random()
        if k < 0.40:
            a, b = self.lit()
            return a, b, True
        if k < 0.47:
            return ".", ".", True
        if k < 0.60:
            if self.byte:
                c = r.choice(["\\d", "\\w", "\\W", "\\D"])
                py = {"\\d": "\\d", "\\D": "\\D", "\\w": "[A-Za-z_]", "\\W": "[^A-Za-z_]"}[c]
                return c, py, True
            c = r.choice(["\\d", "\\w", "\\s", "\\b", "\\B", "\\D", "\\S", "\\W"])
            return c, c, True
        if k < 0.72:
            return self.set()
        if k < 0.76:
            return "^", "^", False
        if k < 0.80:
            return "$", ("\\Z" if self.dollar_z else "$"), False
        if k < 0.85 and not self.byte and self.closed:
            n = r.choice(self.closed)
            return "\\%d" % n, "\\%d" % n, True
        if depth > 0 and self.groups < (9 if self.byte else 14):
            self.groups += 1
            n = self.groups
            o, p = self.alt(depth - 1)
            self.closed.append(n)
            return "(" + o + ")", "(" + p + ")", True
        a, b = self.lit()
        return a, b, True

    def set(self):
        r = self.r
        neg = r.random() < 0.3
        o, p = "", ""
        for _ in range(r.randint(1, 3)):
            k = r.random()
            if k < 0.5:
                c = r.choice("abc_ ")
                o += c
                p += c
            elif k < 0.75:
                lo = r.choice("ab")
                hi = r.choice("bc")
                o += lo + "-" + hi
                p += lo + "-" + hi
            else:
                if self.byte:
                    c = r.choice(["\\d", "\\w"])
                    o += c
                    p += {"\\d": "\\d", "\\w": "A-Za-z_"}[c]
                else:
                    c = r.choice(["\\d", "\\w", "\\s"])
                    o += c
                    p += c
        if r.random() < 0.2:
            o += "-"
            p += "\\-"
        pre = "^" if neg else ""
        return "[" + pre + o + "]", "[" + pre + p + "]", True


PAIR_ALPHA = "ab -_\u6f22\u5b57\u00e9\U0001F44D\U0001F3FD\U0001F44B\U0001F3FF\U0001F600"
CASE_ALPHA = "aAkK\u212a \u03c3\u03c2\u03a3\u00e9\u00c9\U00010400\U00010428\U0001F600"


class PairGen(Gen):
    """Expressions over characters beyond U+FFFF: literals, sets with such members and ranges."""

    def __init__(self, rnd, alpha, classes=True):
        Gen.__init__(self, rnd, alpha=alpha)
        # Without class escapes (ignoring case) sets hold no ranges and nothing beyond U+FFFF either:
        # Python's sets then miss cases of their members (𐐨 in [𐐀ς-K], even 𐐀 in [a𐐀]).
        self.classes = classes
        self.members = alpha.replace("-", "") if classes else "".join(c for c in alpha if c != "-" and ord(c) < 0x10000)
        self.dollar_z = True

    def lit(self):
        c = self.r.choice(self.alpha)
        return c, re.escape(c)

    def atom(self, depth):
        r = self.r
        k = r.random()
        if k < 0.40:
            a, b = self.lit()
            return a, b, True
        if k < 0.50:
            return ".", ".", True
        if k < 0.62 and self.classes:
            c = r.choice(["\\d", "\\w", "\\s", "\\D", "\\S", "\\W"])
            return c, c, True
        if k < 0.80:
            return self.set()
        if depth > 0 and self.groups < 14:
            self.groups += 1
            o, p = self.alt(depth - 1)
            self.closed.append(self.groups)
            return "(" + o + ")", "(" + p + ")", True
        a, b = self.lit()
        return a, b, True

    def set(self):
        r = self.r
        o = ""
        for _ in range(r.randint(1, 3)):
            k = r.random()
            if k < 0.55:
                o += r.choice(self.members)
            elif k < 0.85 and self.classes:
                lo, hi = sorted(r.sample(self.alpha.replace("-", ""), 2))
                o += lo + "-" + hi
            elif self.classes:
                o += r.choice(["\\d", "\\w", "\\s"])
            else:
                o += r.choice(self.members)
        pre = "^" if r.random() < 0.35 else ""
        return "[" + pre + o + "]", "[" + pre + o + "]", True


def utf16_positions(s):
    """UTF-16 offset of every code point index of s (and of its end)."""
    out, at = [0], 0
    for c in s:
        at += 2 if ord(c) > 0xFFFF else 1
        out.append(at)
    return out


def pair_cases(rnd, count):
    cases = []
    for kind, alpha, classes, flags in (("pairs", PAIR_ALPHA, True, re.ASCII | re.DOTALL),
                                        ("pairs-i", CASE_ALPHA, False, re.IGNORECASE | re.DOTALL)):
        for _ in range(count):
            g = PairGen(rnd, alpha, classes)
            ours, py = g.expr(2)
            s = subject(rnd, alpha, 10)
            mods = "i" if flags & re.IGNORECASE else None
            for op, k in (("exec", kind), ("all", kind + "-all")):
                line = {"engine": "wide", "op": op, "expr": ours, "subject": s}
                if mods:
                    line["modifiers"] = mods
                cases.append((k, line, (py, flags, s)))
            groups = min(g.groups, 2)
            template = "<" + "".join("$%d" % n for n in range(groups, -1, -1)) + ">"
            line = {"engine": "wide", "op": "replace", "expr": ours, "subject": s, "template": template,
                    "usesub": True}
            if mods:
                line["modifiers"] = mods
            cases.append((kind + "-replace", line, (py, flags, s)))
    return cases


def py_template(template):
    return re.sub(r"\$(\d)", r"\\g<\1>", template)


def editor_replace_check(probe, editprobe, rnd, count):
    """The editor's Replace All with regular expressions over a whole text against re.sub."""
    rows = [("[\U0001F44D\U0001F3FD]+", "X", "skin: \U0001F44D\U0001F3FD\U0001F44B\U0001F3FF end"),
            ("(.)(.)", "<$2$1>", "\U0001F44D\u6f22a\U0001F600"), (".", "[$0]", "a\U0001F44Bb"),
            ("[^a]+", "_", "a\U0001F600\u5b57a"), ("\\W\\S", "#", "\U0001F44B\U0001F3FF x\U0001F600")]
    for _ in range(count):
        g = PairGen(rnd, PAIR_ALPHA, True)
        expr, _py = g.expr(1)
        groups = min(g.groups, 2)
        rows.append((expr, "<" + "".join("$%d" % n for n in range(groups, -1, -1)) + ">",
                     subject(rnd, PAIR_ALPHA, 12)))
    def esc(t):
        return '"' + "".join("\\u%04x" % u for u in
                             struct.unpack("<%dH" % (len(t.encode("utf-16-le")) // 2), t.encode("utf-16-le"))) + '"'
    compiles = run_probe(probe, [{"engine": "wide", "op": "compile", "expr": e} for e, _t, _s in rows])
    script, compared = "", []
    for (expr, template, text), compiled in zip(rows, compiles):
        if "error" in compiled:
            continue
        try:
            cre = re.compile(expr, re.ASCII | re.DOTALL)
        except re.error:
            continue
        if not text or any(m.end() == m.start() for m in cre.finditer(text)):
            continue
        compared.append((expr, template, text, cre.sub(py_template(template), text)))
        script += "text %s\nreplace %s %s raec\ndump\n" % (esc(text)[1:-1], esc(expr), esc(template))
    run = subprocess.run([editprobe, "/dev/null"], input=script.encode(), capture_output=True, timeout=600)
    if run.returncode != 0:
        print("editprobe failed:", run.stderr.decode(errors="replace"))
        return 1, 0
    lines = [l for l in run.stdout.decode().splitlines() if l.startswith("{")]
    bad = 0
    for (expr, template, text, want), dump in zip(compared, lines):
        got = "\n".join(json.loads(dump)["lines"])
        if got != want:
            bad += 1
            if bad <= 10:
                print("EDITOR MISMATCH", repr(expr), repr(template), repr(text), "\n   got ", repr(got),
                      "\n   want", repr(want))
    if len(lines) != len(compared):
        print("editprobe answered %d dumps for %d cases" % (len(lines), len(compared)))
        return 1, 0
    print("%-8s compared %6d  mismatched %4d" % ("editor", len(compared) - bad, bad))
    return (1 if bad else 0), len(compared)


# A table aimed at the search shortcuts (lead literals, caseless letters, start sets, passed-over
# alternatives, repeats before a literal, runs of an opening class repeat, required literals): each
# expression runs on its subjects shifted across 16-byte blocks. Rows are (expression, subjects)
# where Python reads the expression alike, or (ours, python, subjects). Wide rows are compared by
# first match with groups and by all matches, byte rows by whether they match.
FAST_BOTH = [
    ("offset", ["offset", "offse", "xoffsetoffset", "ofoffset", "OFFSET"]),
    ("a*bcd", ["aabcd", "bcd", "abc", "bcbcd"]),
    (".\\dab", ["x1ab", "1ab", "xx12ab"]),
    ("[^a]count", ["acount", "bcount", "count"]),
    ("[Ss][Ee]l", ["SEl", "sel", "SEL", "sEl", "xbuF"]),
    ("[@`]x", ["@x", "`x", "Px"]),
    ("while|return|const", ["whil retur const", "returns", "wwhile"]),
    ("(foo|bar|quux)", ["fobaquux", "barfoo", "qux"]),
    ("ab|ac|b", ["ac", "xb", "aab", "a"]),
    ("x(ab|ac|a)c", ["xacc", "xac", "xabc", "xab"]),
    ("a?bc", ["bc", "abc", "aabc", "ac"]),
    ("[a-z]*\\(", ["abc(", "abc", "ab(c(", "(", "AB("]),
    ("[ab]*ab", ["aabab", "abb", "ba"]),
    ("\\d+x", ["123x", "12 3x", "x"]),
    ("a+b", ["aaab", "ab", "b"]),
    ("[a-z_][a-z0-9_]*\\(", ["foo bar(", "foo_1(x) y2 (z(", "9abc(", "x1 ("]),
    ("[a-c][ab]*d", ["acbd", "cbd", "ccd"]),
    ("[ab]*c", ["abxabc", "ab", "bbac"]),
    ("(a|b)*c", ["ababc", "abab"]),
    ("x(ab)+y", ["xababy", "xaby", "xy", "xab"]),
    ("q(a|bc)?d", ["qd", "qbcd", "qbd", "q d"]),
]
FAST_WIDE = [
    ("\\bcount\\b", ["count", "counter count", "xcount count_ count"]),
    ("(x)(y)z", ["xyz", "xyxyz", "xz"]),
    ("(?i)select", ["SeLeCt", "selec", "xSELECTx"]),
    ("(?i)SeL", ["sel", "SEL", "sEk"]),
    ("(?i)x\\[0", ["X[0", "x{0", "x[\x10", "x[0"]),
    ("(?i)[\\[]a", ["[A", "{a"]),
    ("(?i)\u00e9t", ["\u00c9t", "\u00e9T", "et"]),
    ("(?i)\u03c3\u03af\u03c3\u03c5\u03c6", ["\u03a3\u038a\u03a3\u03a5\u03a6", "\u03c3\u03af\u03c2\u03c5\u03c6"]),
    ("(a|ab)(c|bcd)(d*)", ["abcd", "acd"]),
    ("(|a)b", ["ab", "b"]),
    ("[a-z]*?\\(", ["ab(", "a b("]),
    ("([a-z][a-z]*)\\(", ["ab cd(", "(x("]),
    ("\\w\\w*=", ["a b=c= x1=", "=="]),
    ("\\d\\d+x", ["1 23x 4x", "12x"]),
    ("(a+?)x", ["aab aax", "x"]),
]
FAST_BYTE = [
    ("\\Wcount\\W", "[^A-Za-z_]count[^A-Za-z_]", [" count ", "count", "1count2", "acount "]),
    ("[[{]0", "[\\[{]0", ["[0", "{0", ";0"]),
    # A repeat followed by a one-byte node: only counts that node can follow are tried.
    ("a*[ab]c", "a*[ab]c", ["aaac", "aabc", "ac", "bc", "aaa", "c"]),
    ("x +[+=] *y", "x +[+=] *y", ["x = y", "x  +y", "x y", "x=y", "x  = =y"]),
    ("\\d*\\D", "\\d*\\D", ["123", "12a", "a", "1"]),
    ("[a-c]*.d", "[a-c]*.d", ["abcd", "abd", "ad", "d", "abc"]),
    ("b+[^b]", "b+[^b]", ["bbb", "bba", "b", "ab"]),
    ("_\\w*\\W", "_[A-Za-z_]*[^A-Za-z_]", ["_ab_ ", "_ab_", "__1", "_"]),
    # An opening repeat followed by a literal it cannot take: the search goes by the literal.
    ("[a-c]+ \\( [ab] \\)", "[a-c]+ \\( [ab] \\)", ["ab ( a )", "( a )", "ab ( c ) c ( b )", "a ( a"]),
    ("b*[dD]c", "b*[dD]c", ["bbDc", "dc", "bdbc", "Dcc", "bbd"]),
    ("a+a_", "a+a_", ["aa_", "a_", "aaa_"]),
    ("[ab]+cc", "[ab]+cc", ["abcc", "cc", "acbcc", "bc c"]),
    # ... or a one-byte node the repeat cannot take, with a head before the repeat.
    ("[ab] *[-_] *c", "[ab] *[-_] *c", ["a - c", "b_c", "a  -c", "c - c", "a c", "ab -_ c"]),
    ("\\d *[ab]c", "\\d *[ab]c", ["1 ac", "12bc", "1  c", "x ac", "1 a1 bc"]),
    ("[ab] +[cC]", "[ab] +[cC]", ["a C", "b  c", "ac", "a b c"]),
    ("[ab]\\d+[c_]", "[ab]\\d+[c_]", ["a1c", "a_", "b12_", "ab1c", "1c"]),
    ("[ab]a*c", "[ab]a*c", ["aaac", "bac", "ac", "c", "bc"]),
    # An opening alternation of literals: a start must hold one of them.
    ("(ab|cd) = (a|b)", "(ab|cd) = (a|b)", ["ab = a", "cd = b", "ad = a", "a = b", "cab = b"]),
    ("(ab|a)+c", "(ab|a)+c", ["abac", "ac", "abc", "bc", "aab"]),
    ("(ab|cd)?e", "(ab|cd)?e", ["e", "abe", "cde", "ade"]),
    ("ba|c|abc", "ba|c|abc", ["ab", "xba", "xxc", "abx"]),
    # Literals and one-byte sets one after another: one required run, nothing joined across
    # what may be skipped or repeated.
    ("a(bc)[d]e", "a(bc)[d]e", ["abcde", "abcd", "bcde", "abce"]),
    ("ab?c", "ab?c", ["abc", "ac", "abbc", "bc"]),
    ("a(b|c)d", "a(b|c)d", ["abd", "acd", "ad", "abcd"]),
    ("x[yY]z*w", "x[yY]z*w", ["xYw", "xyzzw", "xyz", "xw"]),
    ("(ab)+cd", "(ab)+cd", ["ababcd", "abcd", "cd", "abacd"]),
    ("q\\(a\\)x+", "q\\(a\\)x+", ["q(a)x", "q(a)", "(a)x", "q(a)xx"]),
]


def shifted(s):
    return [s, "-" * 7 + s, "-" * 15 + s, s + "-" * 17, "-" * 16 + s + "-" * 9, " ".join([s] * 3)]


def fast_path_cases():
    rows = [(e, e, subjects, ("wide", "byte")) for e, subjects in FAST_BOTH]
    rows += [(e, e, subjects, ("wide",)) for e, subjects in FAST_WIDE]
    rows += [(ours, py, subjects, ("byte",)) for ours, py, subjects in FAST_BYTE]
    cases = []
    for ours, py, subjects, engines in rows:
        for s in (v for base in subjects for v in shifted(base)):
            if "wide" in engines:
                # Ignoring case folds letters beyond ASCII too: Python reads those rows without re.ASCII.
                flags = re.DOTALL | (re.ASCII if ours.isascii() else 0)
                for kind, op in (("fast-wide", "exec"), ("fast-all", "all")):
                    cases.append((kind, {"engine": "wide", "op": op, "expr": ours, "subject": s}, (py, flags, s)))
            if "byte" in engines:
                cases.append(("fast-byte", {"engine": "byte", "op": "exec", "expr": ours, "subject": s},
                              (py, re.DOTALL, s)))
    return cases


def subject(r, alpha, maxlen=8):
    return "".join(r.choice(alpha) for _ in range(r.randint(0, maxlen)))


def run_probe(probe, lines):
    data = "".join(json.dumps(l) + "\n" for l in lines)
    out = subprocess.run([probe], input=data.encode(), stdout=subprocess.PIPE, timeout=1200).stdout.decode()
    res = [json.loads(x) for x in out.splitlines()]
    if len(res) != len(lines):
        raise SystemExit("probe answered %d lines for %d" % (len(res), len(lines)))
    return res


def py_groups(m, ngroups, u16=None):
    out = []
    for g in range(15):
        if g <= ngroups and m.span(g) != (-1, -1):
            s, e = m.span(g)
            if u16:
                s, e = u16[s], u16[e]
            out.append([s + 1, e - s])
        else:
            out.append([-1, -1])
    return out


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__)
        return 2
    probe = args[0]
    seed, count, dump, editprobe = 20260401, 3000, None, None
    i = 1
    while i < len(args):
        if args[i] == "--seed":
            seed = int(args[i + 1]); i += 2
        elif args[i] == "--count":
            count = int(args[i + 1]); i += 2
        elif args[i] == "--dump":
            dump = args[i + 1]; i += 2
        elif args[i] == "--editprobe":
            editprobe = args[i + 1]; i += 2
        else:
            raise SystemExit("unknown argument " + args[i])
    rnd = random.Random(seed)

    cases = []  # (kind, probe line, python checker)
    # Wide engine: plain, multi-line, case-insensitive.
    for kind, n, alpha, mods in (("wide", count, WIDE_ALPHA, None), ("wide-m", count // 4, "ab\n c", "m"),
                                 ("wide-i", count // 4, "aAbB-c _", "i")):
        for _ in range(n):
            g = Gen(rnd, alpha=alpha.replace("\n", "") or "ab")
            g.dollar_z = mods != "m"
            ours, py = g.expr(2)
            flags = re.ASCII | re.DOTALL
            if mods == "m":
                flags |= re.MULTILINE
            if mods == "i":
                flags |= re.IGNORECASE
            for _s in range(2):
                s = subject(rnd, alpha)
                line = {"engine": "wide", "op": "exec", "expr": ours, "subject": s}
                if mods:
                    line["modifiers"] = mods
                cases.append((kind, line, (py, flags, s)))
    # Global replace with a plain template.
    for _ in range(count // 4):
        g = Gen(rnd)
        g.dollar_z = True
        ours, py = g.expr(1)
        s = subject(rnd, WIDE_ALPHA, 10)
        cases.append(("replace", {"engine": "wide", "op": "replace", "expr": ours, "subject": s, "template": "<>",
                                  "usesub": False}, (py, re.ASCII | re.DOTALL, s)))
    # Byte engine.
    for _ in range(count):
        g = Gen(rnd, byte_engine=True, alpha=BYTE_ALPHA)
        g.dollar_z = True
        ours, py = g.expr(2)
        for _s in range(2):
            s = subject(rnd, BYTE_ALPHA)
            cases.append(("byte", {"engine": "byte", "op": "exec", "expr": ours, "subject": s},
                          (py, re.DOTALL, s)))

    cases += fast_path_cases()
    cases += pair_cases(rnd, count // 3)
    results = run_probe(probe, [c[1] for c in cases])
    stats = {}
    bad = []
    for (kind, line, (py, flags, s)), got in zip(cases, results):
        st = stats.setdefault(kind, {"compared": 0, "skipped": 0, "mismatch": 0})
        if "error" in got:
            if got["error"] in (106, 107) or (kind == "byte" and "operand could be empty" in got["message"]) or \
               (kind == "byte" and "nested" in got["message"]):
                st["skipped"] += 1
                continue
        if s == "" and "\\B" in line["expr"] and line["engine"] != "byte":
            # Python's \B never matches an empty string; Perl's does, as ours does.
            st["skipped"] += 1
            continue
        try:
            if line["engine"] == "byte":
                cre = re.compile(py.encode("latin-1"), flags)
                b = s.encode("latin-1")
                positions = range(len(b)) if b else [0]
                want = {"match": any(cre.match(b, i) for i in positions)}
            else:
                cre = re.compile(py, flags)
                u16 = utf16_positions(s)
                if kind == "fast-all" or kind.endswith("-all"):
                    want = {"matches": [[u16[m.start()] + 1, u16[m.end()] - u16[m.start()]] for m in cre.finditer(s)]}
                    if any(m.end() == m.start() for m in cre.finditer(s)):
                        st["skipped"] += 1
                        continue
                elif kind == "replace" or kind.endswith("-replace"):
                    ms = list(cre.finditer(s))
                    if any(m.end() == m.start() for m in ms) or got.get("error"):
                        st["skipped"] += 1
                        continue
                    template = line.get("template", "<>")
                    want = {"result": cre.sub(py_template(template) if line.get("usesub") else template, s)}
                else:
                    m = cre.search(s)
                    want = {"match": False} if m is None else {"match": True, "groups": py_groups(m, cre.groups, u16)}
        except re.error:
            st["skipped"] += 1
            continue
        if got != want:
            st["mismatch"] += 1
            bad.append((kind, line, py, got, want))
        else:
            st["compared"] += 1

    total = sum(v["compared"] for v in stats.values())
    for k, v in stats.items():
        print("%-8s compared %6d  skipped %5d  mismatched %4d" % (k, v["compared"], v["skipped"], v["mismatch"]))
    for b in bad[:20]:
        print("MISMATCH", json.dumps(b[1]), "python:", repr(b[2]), "\n   got ", json.dumps(b[3]), "\n   want", json.dumps(b[4]))
    if dump:
        with open(dump, "w") as f:
            for b in bad:
                f.write(json.dumps({"case": b[1], "python": b[2], "got": b[3], "want": b[4]}) + "\n")
    if editprobe:
        failed, edited = editor_replace_check(probe, editprobe, rnd, count // 10)
        if failed:
            return 1
        if edited < 50:
            print("too few editor cases compared")
            return 2
    if bad:
        return 1
    for kind in ("pairs", "pairs-i", "pairs-all", "pairs-replace"):
        if stats.get(kind, {}).get("compared", 0) < 100:
            print("too few %s cases compared" % kind)
            return 2
    fast_skipped = sum(v["skipped"] for k, v in stats.items() if k.startswith("fast-"))
    if fast_skipped:
        print("%d cases of the shortcut table could not be compared" % fast_skipped)
        return 2
    if total < 1000 or stats.get("wide", {}).get("compared", 0) < 1000:
        print("too few cases compared")
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
