#!/usr/bin/env python3
"""The record filter's text matcher in regular-expression mode against Python's re.search.

Generates expressions in the syntax both engines read alike (ASCII literals and sets, "\\d", groups,
"|", and "*", "+", "?" on operands that cannot match empty; no ".", "$", "{", lazy repeats or bytes
above 0x7F) and single-line subjects, from a fixed seed, and runs them through `xdbprobe match`,
case-sensitive (re.search) and case-insensitive (re.search with re.IGNORECASE, which reads the same
ASCII letters alike). Usage:
    matcher_compare.py XDBPROBE [--seed N] [--count N]
Prints a summary; exits 1 on any disagreement (the first ones are printed), 2 when too few cases
were compared.
"""
import random
import re
import subprocess
import sys

ALPHA = "abcAB1 -_,"


class Gen:
    def __init__(self, rnd):
        self.r = rnd

    def expr(self):
        self.groups = 0
        return self.alt(2)[0]

    # Returns (text, can_be_empty).
    def alt(self, depth):
        parts = [self.seq(depth) for _ in range(1 if self.r.random() < 0.7 else self.r.randint(2, 3))]
        return "|".join(p[0] for p in parts), any(p[1] for p in parts)

    def seq(self, depth):
        text, empty = "", True
        for _ in range(self.r.randint(1, 4)):
            a, e = self.piece(depth)
            text += a
            empty = empty and e
        return text, empty

    def piece(self, depth):
        a, empty = self.atom(depth)
        if not empty and self.r.random() < 0.35:
            q = self.r.choice("*+?")
            return a + q, q != "+"
        return a, empty

    def atom(self, depth):
        k = self.r.random()
        if k < 0.45:
            return self.r.choice(ALPHA), False
        if k < 0.5:
            return "\\d", False  # an escape keeps its meaning in a case-insensitive search
        if k < 0.75:
            return self.set(), False
        if depth > 0 and self.groups < 9:
            self.groups += 1
            inner, empty = self.alt(depth - 1)
            return "(" + inner + ")", empty
        return self.r.choice(ALPHA), False

    def set(self):
        body = ""
        for _ in range(self.r.randint(1, 3)):
            if self.r.random() < 0.6:
                body += self.r.choice("abcAB1_ ,")
            else:
                body += self.r.choice(["a-c", "A-B", "0-9", "b-c", "\\d"])
        return "[" + ("^" if self.r.random() < 0.3 else "") + body + "]"


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__)
        return 2
    probe = args[0]
    seed, count = 18, 1200
    if "--seed" in args:
        seed = int(args[args.index("--seed") + 1])
    if "--count" in args:
        count = int(args[args.index("--count") + 1])
    rnd = random.Random(seed)
    gen = Gen(rnd)
    cases = []
    for _ in range(count):
        expr = gen.expr()
        for _ in range(3):
            subject = "".join(rnd.choice(ALPHA + "xyz") for _ in range(rnd.randint(0, 14)))
            cases.append((expr, subject, True))
            cases.append((expr, subject, False))
    lines = "".join("regexp\t%s\t%s\t%s\n" % ("c" if cs else "-", e, s) for e, s, cs in cases)
    run = subprocess.run([probe, "match"], input=lines.encode(), capture_output=True, timeout=600)
    if run.returncode != 0:
        print("xdbprobe match failed (%d): %s" % (run.returncode, run.stderr.decode(errors="replace")))
        return 1
    answers = run.stdout.decode().splitlines()
    if len(answers) != len(cases):
        print("expected %d answers, got %d" % (len(cases), len(answers)))
        return 1
    bad, compared, matched = [], 0, 0
    for (expr, subject, cs), answer in zip(cases, answers):
        if answer.startswith("error"):
            bad.append("ours refused %r: %s" % (expr, answer))
            continue
        want = bool(re.search(expr, subject, 0 if cs else re.IGNORECASE))
        compared += 1
        matched += want
        if want != (answer == "1"):
            bad.append("%r on %r (%s): python %s, ours %s" % (expr, subject, "cs" if cs else "ci", want, answer))
    print("matcher: %d compared, %d matching, %d disagreements" % (compared, matched, len(bad)))
    for line in bad[:15]:
        print("  " + line)
    if bad:
        return 1
    return 0 if compared >= count else 2


if __name__ == "__main__":
    sys.exit(main())
