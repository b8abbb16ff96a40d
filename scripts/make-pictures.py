#!/usr/bin/env python3
"""Draws the window icon and the header picture into src/window/resources/,
and the larger icons for the Debian package into packaging/icons/.

Outputs in src/window/resources/: icons/tessera-{16,32,48,64,72}.png (8-bit
RGBA, fully opaque or fully transparent pixels) and header.gif (50 x 50, one
frame, a full 256-entry global colour table, no transparent colour), and the
same pictures as XPM arrays (icons/tessera-N.xpm, header.xpm) that the window
compiles in: an XPM array becomes an image without Qt's image reader, whose
first use scans every image format plug-in.

Outputs in packaging/icons/, for the hicolor theme and software centres (the
window does not use them, so they have no XPM arrays):
de.oxa.tessera-{128,256}.png, the same icon drawn at 128 and 256 px, and
de.oxa.tessera.svg, the 256 px drawing as vector shapes (rectangles and one
linear gradient for the desktop) on a 256 x 256 view box.

Tool: python3 from Debian (standard library only). The drawing is pixel by
pixel and the files are encoded here, so a run gives byte-identical files on
every machine; the build itself only uses the committed outputs.
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
OUT = os.path.join(ROOT, "src", "window", "resources")
PACKAGE = os.path.join(ROOT, "packaging", "icons")
APP_ID = "de.oxa.tessera"

# ---------------------------------------------------------------- encoders


def write_png(path, size, pixels):
    """pixels: rows of (r, g, b, a)."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9))
           + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def lzw(indices, min_bits=8):
    clear, stop = 1 << min_bits, (1 << min_bits) + 1
    out, acc, nacc = bytearray(), 0, 0
    bits = min_bits + 1

    def emit(code):
        nonlocal acc, nacc
        acc |= code << nacc
        nacc += bits
        while nacc >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nacc -= 8

    table = {(i,): i for i in range(clear)}
    nxt = stop + 1
    emit(clear)
    run = (indices[0],)
    for k in indices[1:]:
        ext = run + (k,)
        if ext in table:
            run = ext
            continue
        emit(table[run])
        if nxt < 4096:
            table[ext] = nxt
            nxt += 1
            # The decoder widens one code later than it adds the entry.
            if nxt > (1 << bits) and bits < 12:
                bits += 1
        else:
            emit(clear)
            table = {(i,): i for i in range(clear)}
            nxt, bits = stop + 1, min_bits + 1
        run = (k,)
    emit(table[run])
    emit(stop)
    if nacc:
        out.append(acc & 0xFF)
    return bytes(out)


def write_gif(path, width, height, palette, indices):
    assert len(palette) == 256 and len(indices) == width * height
    data = lzw(indices)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
    gif = (b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF7, 0, 0)
           + bytes(c for rgb in palette for c in rgb)
           # No graphic control extension: nothing is transparent.
           + b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
           + b"\x08" + blocks + b"\0" + b";")
    with open(path, "wb") as f:
        f.write(gif)

def write_xpm(path, name, pixels):
    """pixels: rows of (r, g, b, a), a either 0 (transparent) or 255."""
    colours = sorted({px if px[3] else (0, 0, 0, 0) for row in pixels for px in row})
    chars = [chr(c) for c in range(32, 127) if chr(c) not in '"\\?']  # no trigraphs
    width = 1 if len(colours) <= len(chars) else 2
    keys = [chars[i] if width == 1 else chars[i // len(chars)] + chars[i % len(chars)] for i in range(len(colours))]
    key = dict(zip(colours, keys))
    lines = [f"{len(pixels[0])} {len(pixels)} {len(colours)} {width}"]
    lines += [f"{k} c " + ("#%02X%02X%02X" % c[:3] if c[3] else "None") for c, k in zip(colours, keys)]
    lines += ["".join(key[px if px[3] else (0, 0, 0, 0)] for px in row) for row in pixels]
    text = "/* XPM */\n/* Made by scripts/make-pictures.py; do not edit. */\n"
    text += f"static const char* const {name}[] = {{\n" + ",\n".join(f'"{l}"' for l in lines) + "};\n"
    with open(path, "w", encoding="ascii") as f:
        f.write(text)

# ---------------------------------------------------------------- the icon

WHITE = (255, 255, 255)
LIGHT = (223, 223, 223)
FACE = (192, 192, 192)
SHADE = (128, 128, 128)
DARK = (64, 64, 64)
GLASS = (24, 24, 32)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def rect(self, x0, y0, x1, y1, rgb):
        """Fills x0..x1, y0..y1 inclusive."""
        for y in range(max(y0, 0), min(y1, self.size - 1) + 1):
            for x in range(max(x0, 0), min(x1, self.size - 1) + 1):
                self.px[y][x] = rgb + (255,)

    def gradient(self, x0, y0, x1, y1, top, bottom):
        """Fills x0..x1, y0..y1 with one colour a row, from top (row y0) to bottom (row y1)."""
        h = max(y1 - y0, 1)
        for y in range(y0, y1 + 1):
            t = (y - y0) / h
            self.rect(x0, y, x1, y, tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))

    def bevel(self, x0, y0, x1, y1, face, lights, darks):
        """A box with lit top/left and shaded bottom/right edges, outermost first."""
        self.rect(x0, y0, x1, y1, face)
        for i, (tl, br) in enumerate(zip(lights, darks)):
            self.rect(x0 + i, y1 - i, x1 - i, y1 - i, br)
            self.rect(x1 - i, y0 + i, x1 - i, y1 - i, br)
            self.rect(x0 + i, y0 + i, x1 - 1 - i, y0 + i, tl)
            self.rect(x0 + i, y0 + i, x0 + i, y1 - 1 - i, tl)


class VectorCanvas:
    """Takes the same drawing as Canvas and keeps it as SVG shapes."""

    def __init__(self, size):
        self.size = size
        self.defs = []
        self.shapes = []

    def rect(self, x0, y0, x1, y1, rgb):
        self.shapes.append(f'<rect x="{x0}" y="{y0}" width="{x1 - x0 + 1}" height="{y1 - y0 + 1}" '
                           f'fill="{colour(rgb)}"/>')

    def gradient(self, x0, y0, x1, y1, top, bottom):
        # Ends at the centres of the first and last rows, where Canvas has the pure colours.
        name = f"gradient{len(self.defs) + 1}"
        self.defs.append(f'<linearGradient id="{name}" gradientUnits="userSpaceOnUse" '
                         f'x1="0" y1="{y0 + 0.5}" x2="0" y2="{y1 + 0.5}">'
                         f'<stop offset="0" stop-color="{colour(top)}"/>'
                         f'<stop offset="1" stop-color="{colour(bottom)}"/></linearGradient>')
        self.shapes.append(f'<rect x="{x0}" y="{y0}" width="{x1 - x0 + 1}" height="{y1 - y0 + 1}" '
                           f'fill="url(#{name})"/>')

    def bevel(self, x0, y0, x1, y1, face, lights, darks):
        """Lines of one colour pair become one band: the shaded box, then the lit box
        one band narrower on its top/left; the corners stay square."""
        bands = []
        for pair in zip(lights, darks):
            if bands and bands[-1][0] == pair:
                bands[-1][1] += 1
            else:
                bands.append([pair, 1])
        o = 0
        for (tl, br), n in bands:
            self.rect(x0 + o, y0 + o, x1 - o, y1 - o, br)
            self.rect(x0 + o, y0 + o, x1 - o - n, y1 - o - n, tl)
            o += n
        self.rect(x0 + o, y0 + o, x1 - o, y1 - o, face)

    def text(self):
        s = self.size
        return ('<?xml version="1.0" encoding="UTF-8"?>\n'
                "<!-- Made by scripts/make-pictures.py; do not edit. -->\n"
                f'<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" viewBox="0 0 {s} {s}">\n'
                "<title>Tessera</title>\n"
                + "<defs>\n" + "".join(d + "\n" for d in self.defs) + "</defs>\n"
                + "".join(shape + "\n" for shape in self.shapes)
                + "</svg>\n")


def colour(rgb):
    return "#%02x%02x%02x" % rgb


# Hand-tuned per size, in pixels: monitor box (left, top, right, bottom),
# bezel width, screen edge (1: sunken line only, 2: plus a dark glass rim;
# from 128 px, the sunken line's width plus the rim's), neck height, foot box
# (left, right, height). The window uses 16 to 72 px, the package all sizes.
LAYOUT = {
    16: ((0, 1, 15, 12), 2, 1, 1, (3, 12, 2)),
    32: ((1, 2, 30, 24), 3, 1, 2, (8, 23, 3)),
    48: ((2, 4, 45, 36), 4, 2, 3, (12, 35, 5)),
    64: ((2, 5, 61, 48), 5, 2, 4, (16, 47, 6)),
    72: ((3, 6, 68, 54), 6, 2, 4, (18, 53, 7)),
    128: ((4, 10, 123, 97), 10, 4, 8, (32, 95, 12)),
    256: ((8, 20, 247, 195), 20, 8, 16, (64, 191, 24)),
}
WINDOW_SIZES = (16, 32, 48, 64, 72)


def desktop(c, x0, y0, x1, y1, size, u):
    """u: the width of one line (1 px up to 72 px)."""
    c.gradient(x0, y0, x1, y1, (58, 122, 216), (22, 70, 160))
    if size < 32:
        # One lit pixel keeps the 16 px screen from reading as a flat slab.
        c.rect(x0, y0, x0, y0, (120, 170, 240))
        return
    # Desktop symbols down the left edge, a taskbar with its button below.
    s = (1 if size < 48 else 2) * u
    gap = s + (1 if size < 64 else 2) * u
    for k in range(2 if size < 64 else 3):
        yy = y0 + 2 * u + k * (s + gap)
        c.rect(x0 + 2 * u, yy, x0 + 2 * u + s - 1, yy + s - 1, (240, 240, 240))
    if size >= 48:
        bar = (2 if size < 64 else 3) * u
        c.rect(x0, y1 - bar + 1, x1, y1, FACE)
        c.rect(x0, y1 - bar + 1, x1, y1 - bar + u, WHITE)
        c.rect(x0 + u, y1 - bar + u + 1, x0 + (4 + bar // u) * u - 1, y1, (0, 128, 0))


def draw(c, size):
    (l, t, r, b), bezel, edge, neck, (fl, fr, fh) = LAYOUT[size]
    # One line is 1 px up to 72 px, 2 px at 128 and 4 px at 256, so bevels,
    # the sunken screen line, the symbols and the taskbar keep their proportions.
    u = max(1, size // 64)
    cx = (l + r) // 2
    nw = max(2, size // 8)
    # Stand first; the monitor's bottom edge overlaps its top.
    fy = b + neck + 1
    c.rect(cx - nw // 2, b, cx - nw // 2 + nw, fy, SHADE)
    c.rect(cx - nw // 2, b, cx - nw // 2 + nw - u, fy, FACE if size >= 32 else SHADE)
    depth = 1 if size < 48 else 2
    lights = [rgb for rgb in [WHITE, LIGHT][:depth] for _ in range(u)]
    darks = [rgb for rgb in [DARK, SHADE][:depth] for _ in range(u)]
    c.bevel(fl, fy, fr, fy + fh - 1, FACE, lights, darks)
    c.bevel(l, t, r, b, FACE, lights, darks)
    sx0, sy0, sx1, sy1 = l + bezel, t + bezel, r - bezel, b - bezel
    if size < 32:
        c.rect(sx0, sy0, sx1, sy1, DARK)
    else:
        # Sunken screen: shaded top/left, lit bottom/right.
        c.rect(sx0, sy0, sx1, sy1, WHITE)
        c.rect(sx0, sy0, sx1 - u, sy1 - u, SHADE)
        if edge > u:
            c.rect(sx0 + u, sy0 + u, sx1 - u, sy1 - u, GLASS)
    desktop(c, sx0 + edge, sy0 + edge, sx1 - edge, sy1 - edge, size, u)


def icon(size):
    c = Canvas(size)
    draw(c, size)
    if size in WINDOW_SIZES:
        write_png(os.path.join(OUT, "icons", f"tessera-{size}.png"), size, c.px)
        write_xpm(os.path.join(OUT, "icons", f"tessera-{size}.xpm"), f"tessera_{size}_xpm", c.px)
    else:
        write_png(os.path.join(PACKAGE, f"{APP_ID}-{size}.png"), size, c.px)


def vector_icon():
    c = VectorCanvas(256)
    draw(c, 256)
    with open(os.path.join(PACKAGE, f"{APP_ID}.svg"), "w", encoding="utf-8", newline="\n") as f:
        f.write(c.text())

# ---------------------------------------------------------------- the header


def header():
    ground, ink = (10, 30, 92), (150, 200, 255)
    n = 50
    cover = [[0.0] * n for _ in range(n)]

    def box(x0, y0, x1, y1, level=1.0):
        """Pixels x0..x1-1, y0..y1-1."""
        for y in range(y0, y1):
            for x in range(x0, x1):
                cover[y][x] = max(cover[y][x], level)

    def outline(x0, y0, x1, y1, w=1):
        box(x0, y0, x1, y0 + w)
        box(x0, y1 - w, x1, y1)
        box(x0, y0, x0 + w, y1)
        box(x1 - w, y0, x1, y1)

    # The ring, anti-aliased by 8 x 8 sampling.
    inner, outer, sub = 21.3, 23.3, 8
    for y in range(n):
        for x in range(n):
            hits = 0
            for j in range(sub):
                for i in range(sub):
                    d = math.hypot(x + (i + 0.5) / sub - 25, y + (j + 0.5) / sub - 25)
                    hits += inner <= d <= outer
            cover[y][x] = hits / sub ** 2

    # Monitor: a 2 px case, a 1 px screen with a faint glass, neck and base;
    # even widths keep every part centred on the ring.
    outline(14, 9, 36, 28, 2)
    box(17, 12, 33, 25, 0.18)
    outline(17, 12, 33, 25)
    box(19, 14, 23, 15, 0.55)  # a glint on the glass
    box(23, 28, 27, 30)
    box(19, 30, 31, 31)
    # Keyboard: a case with two rows of keys and a space bar.
    outline(12, 33, 38, 41)
    for row in (35, 37):
        for x in range(14, 36, 2):
            box(x, row, x + 1, row + 1)
    box(19, 39, 31, 40, 0.85)

    # The palette is the ramp from ground to ink, so every entry is one level.
    palette = [tuple(round(g + (k - g) * i / 255) for g, k in zip(ground, ink)) for i in range(256)]
    indices = [round(min(cover[y][x], 1.0) * 255) for y in range(n) for x in range(n)]
    write_gif(os.path.join(OUT, "header.gif"), n, n, palette, indices)
    rows = [[palette[indices[y * n + x]] + (255,) for x in range(n)] for y in range(n)]
    write_xpm(os.path.join(OUT, "header.xpm"), "header_xpm", rows)


def main():
    os.makedirs(os.path.join(OUT, "icons"), exist_ok=True)
    os.makedirs(PACKAGE, exist_ok=True)
    for size in sorted(LAYOUT):
        icon(size)
    vector_icon()
    header()
    return 0


if __name__ == "__main__":
    sys.exit(main())
