#!/usr/bin/env python3
"""The editor's buffer <-> display conversions written down once more, from the rules alone.

Input, one command a line:
  T <tab width>              starts a text
  L <hex UTF-16 units>       adds a line to it (empty after L for an empty line)
  B <char> <line>            buffer position -> display position
  D <column> <row>           display position -> buffer position
Each B and D prints one line "a b". No word wrap.

Cells of one UTF-16 unit (the headless metrics): East Asian wide and full-width characters two;
everything else one, zero-width units (controls, combining marks, zero-width characters, each
surrogate) included, since a unit never takes less than one cell. A tab runs to the next tab
stop counted in cells; every position past the end of a line adds one.
"""
import sys

WIDE = [(0x1100, 0x115F), (0x2E80, 0x303E), (0x3041, 0x33FF), (0x3400, 0x4DBF), (0x4E00, 0x9FFF),
        (0xA000, 0xA4CF), (0xAC00, 0xD7A3), (0xF900, 0xFAFF), (0xFE30, 0xFE4F), (0xFF00, 0xFF60),
        (0xFFE0, 0xFFE6)]


def cells(u):
    return 2 if any(lo <= u <= hi for lo, hi in WIDE) else 1


def step(w, u, tab):
    return w + (tab - w % tab if u == 9 else cells(u))


def b2d(lines, tab, ch, line):
    if not 1 <= line <= len(lines):
        return ch, line
    units = lines[line - 1]
    w = 0
    for u in units[:max(0, min(ch - 1, len(units)))]:
        w = step(w, u, tab)
    if ch - 1 > len(units):
        w += ch - 1 - len(units)
    return w + 1, line


def d2b(lines, tab, col, row):
    if not 1 <= row <= len(lines):
        return col, row
    units = lines[row - 1]
    w = i = 0
    while w < col and i < len(units):
        w = step(w, units[i], tab)
        i += 1
    if w < col:
        i += col - w
    return i, row


def main():
    lines, tab, out = [], 8, []
    for raw in sys.stdin.read().split('\n'):
        if not raw:
            continue
        kind, _, rest = raw.partition(' ')
        if kind == 'T':
            lines, tab = [], int(rest)
        elif kind == 'L':
            h = rest.strip()
            lines.append([int(h[i:i + 4], 16) for i in range(0, len(h), 4)])
        else:
            a, b = (int(x) for x in rest.split())
            out.append('%d %d' % (b2d(lines, tab, a, b) if kind == 'B' else d2b(lines, tab, a, b)))
    sys.stdout.write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main()
