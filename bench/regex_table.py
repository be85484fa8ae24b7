#!/usr/bin/env python3
"""Times Python's re on the regex comparison rows and prints the one table of the comparison.

Usage: regex_table.py BENCH_JSON TEXT_FILE
BENCH_JSON is Google Benchmark's JSON output of the Regex/ benchmarks (tessaryn_bench), TEXT_FILE
the text they ran on (REGEX_BENCH_DUMP). Python runs the same two jobs as the benchmark: every
non-overlapping match in the whole text (findall), and the number of matching lines (one search
per line). Each job repeats until half a second has passed, as Google Benchmark times its runs.
Exits 1 when the engines disagree on a count.
"""
import json
import os
import re
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def rows():
    out = []
    with open(os.path.join(HERE, "regex_patterns.tsv"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            name, wide, mods, byte, byte_peer = line.split("\t")
            out.append((name, wide, mods == "i", byte_peer))
    return out


def timed(job, size):
    job()  # warm-up, as the benchmark's first estimate run
    n, start = 0, time.perf_counter()
    while True:
        result = job()
        n += 1
        elapsed = time.perf_counter() - start
        if elapsed >= 0.5:
            return size * n / elapsed / 1e6, result


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    with open(sys.argv[1], encoding="utf-8") as f:
        bench = {b["name"]: b for b in json.load(f)["benchmarks"] if b.get("run_type", "iteration") == "iteration"}
    with open(sys.argv[2], "rb") as f:
        data = f.read()
    text = data.decode("latin-1")
    lines = data.split(b"\n")
    if data.endswith(b"\n"):
        lines.pop()
    size = len(data)

    def ours(name, job):
        b = bench.get("Regex/%s/%s" % (name, job))
        if b is None:
            return None, None
        return b["bytes_per_second"] / 1e6, int(b["matches"])

    def ratio(a, b):
        return "%.2f" % (a / b) if a and b else "-"

    def fig(x):
        return "%.0f" % x if x is not None else "-"

    header = ["pattern", "wide", "PCRE2", "Python", "wide/PCRE2", "wide/Py",
              "byte", "PCRE2 lines", "Py lines", "byte/PCRE2", "byte/Py", "target"]
    table, problems = [], []
    for name, wide, ci, byte_peer in rows():
        flags = re.ASCII | (re.IGNORECASE if ci else 0)
        all_re = re.compile(wide, flags)
        line_re = re.compile(byte_peer.encode("latin-1"))
        py_all, py_all_n = timed(lambda: len(all_re.findall(text)), size)
        py_lines, py_lines_n = timed(lambda: sum(1 for l in lines if line_re.search(l)), size)
        w, w_n = ours(name, "wide")
        b, b_n = ours(name, "byte")
        p_all, p_all_n = ours(name, "pcre2_all")
        p_lines, p_lines_n = ours(name, "pcre2_lines")
        for label, n, want in (("wide", w_n, py_all_n), ("PCRE2 all", p_all_n, py_all_n),
                               ("byte", b_n, py_lines_n), ("PCRE2 lines", p_lines_n, py_lines_n)):
            if n is not None and n != want:
                problems.append("%s: %s counted %d, Python %d" % (name, label, n, want))
        met = all(x is not None and y is not None and x >= 0.5 * y and x >= z
                  for x, y, z in ((w, p_all, py_all), (b, p_lines, py_lines)))
        table.append([name, fig(w), fig(p_all), fig(py_all), ratio(w, p_all), ratio(w, py_all),
                      fig(b), fig(p_lines), fig(py_lines), ratio(b, p_lines), ratio(b, py_lines),
                      "met" if met else "MISSED"])
    print("MB/s over %.1f MB; wide and PCRE2/Python: all matches; byte and PCRE2/Py lines: matching lines" %
          (size / 1e6))
    widths = [max(len(r[i]) for r in [header] + table) for i in range(len(header))]
    for r in [header] + table:
        print("  ".join(c.rjust(widths[i]) if i else c.ljust(widths[i]) for i, c in enumerate(r)))
    print("target: each engine at least 0.5x PCRE2 and at least Python's re, both peers doing the same job")
    for p in problems:
        print("COUNT DIFFERS:", p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
