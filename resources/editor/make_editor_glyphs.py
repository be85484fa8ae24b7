#!/usr/bin/env python3
"""Draws the editor's own gutter glyphs as PNG files (plain Python, no imaging library needed):

  SynPadInternalImages.png / @2x  ten numbered bookmark ribbons in one strip (11x14 per image at 100%)
  SynPadWrapped.png / @2x         the word-wrap mark, on lime (0x00FF00), its transparent colour

Run it from this folder to regenerate the files.
"""
import struct
import zlib

# 5x7 digits, one string per row, '#' = ink.
DIGITS = {
    '0': [" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "],
    '1': ["  #  ", " ##  ", "# #  ", "  #  ", "  #  ", "  #  ", "#####"],
    '2': [" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"],
    '3': [" ### ", "#   #", "    #", "  ## ", "    #", "#   #", " ### "],
    '4': ["   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "],
    '5': ["#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "],
    '6': ["  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "],
    '7': ["#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "],
    '8': [" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "],
    '9': [" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "],
}

CLEAR = (0, 0, 0, 0)
RIBBON = (0x2B, 0x63, 0xB8, 0xFF)
RIBBON_EDGE = (0x12, 0x35, 0x6E, 0xFF)
INK = (0xFF, 0xFF, 0xFF, 0xFF)
LIME = (0x00, 0xFF, 0x00, 0xFF)
ARROW = (0x00, 0x00, 0x80, 0xFF)


def write_png(path, width, height, pixels):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(pixels[y][x])

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def canvas(w, h, fill):
    return [[fill for _ in range(w)] for _ in range(h)]


def ribbon(img, ox, s):
    """One bookmark ribbon at x offset ox, scale s (1 or 2): 9x14 logical, notched at the bottom."""
    w, h = 9 * s, 14 * s
    x0 = ox + 1 * s
    notch = 3 * s  # depth of the V cut
    for y in range(h):
        for x in range(w):
            # V notch: near the bottom, the middle columns are cut away.
            depth_from_bottom = h - 1 - y
            centre = (w - 1) / 2.0
            if depth_from_bottom < notch and abs(x - centre) < (notch - depth_from_bottom) * (w / 2.0) / notch:
                continue
            edge = x == 0 or x == w - 1 or y == 0
            if not edge and depth_from_bottom < notch + 1:
                # the two edges of the notch
                inside_left = abs(x - 1 - centre) < (notch - depth_from_bottom) * (w / 2.0) / notch if x > 0 else False
                inside_right = abs(x + 1 - centre) < (notch - depth_from_bottom) * (w / 2.0) / notch if x < w - 1 else False
                if depth_from_bottom < notch and (inside_left or inside_right):
                    edge = True
                if depth_from_bottom == 0:
                    edge = True
            img[y][x0 + x] = RIBBON_EDGE if edge else RIBBON


def digit(img, ox, ch, s):
    rows = DIGITS[ch]
    x0 = ox + 3 * s
    y0 = 2 * s
    for r, line in enumerate(rows):
        for c, mark in enumerate(line):
            if mark == '#':
                for dy in range(s):
                    for dx in range(s):
                        img[y0 + r * s + dy][x0 + c * s + dx] = INK


def bookmarks(s):
    cw, h = 11 * s, 14 * s
    img = canvas(cw * 10, h, CLEAR)
    for n in range(10):
        ribbon(img, n * cw, s)
        digit(img, n * cw, str(n), s)
    return img, cw * 10, h


def wrapped(s):
    """A return arrow: down the right side, then left to an arrow head (10x10 logical)."""
    n = 10 * s
    img = canvas(n, n, LIME)
    t = s  # stroke
    right = 8 * s
    base = 5 * s
    for y in range(1 * s, base + t):
        for x in range(right - t + 1, right + 1):
            img[y][x] = ARROW
    for x in range(2 * s, right + 1):
        for y in range(base, base + t):
            img[y][x] = ARROW
    # arrow head pointing left at (1, base)
    for i in range(3 * s + 1):
        for y in range(base - i, base + t + i):
            if 0 <= y < n:
                x = 1 * s + i
                img[y][x] = ARROW
    return img, n, n


if __name__ == "__main__":
    for scale, suffix in ((1, ""), (2, "@2x")):
        img, w, h = bookmarks(scale)
        write_png("SynPadInternalImages%s.png" % suffix, w, h, img)
        img, w, h = wrapped(scale)
        write_png("SynPadWrapped%s.png" % suffix, w, h, img)
