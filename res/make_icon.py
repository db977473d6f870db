#!/usr/bin/env python3
"""Writes Tavrel's application icon (an .ico file) from a description in code.

The artwork is a white mouse on a blue tile with three orange arcs for the
reports it sends. It is drawn at 48, 32 and 16 pixels in 16 colours, 256
colours and 24-bit colour, nine images in that order (all sizes at one depth,
then the next depth). The output depends on nothing but this file, so every
build makes the same bytes.

Usage: make_icon.py OUTPUT.ico
"""

import math
import struct
import sys

SIZES = (48, 32, 16)
DEPTHS = (4, 8, 24)
SUPERSAMPLE = 4  # samples per pixel edge, for smooth edges at 24 bits

BLUE = (30, 90, 168)
BLUE_EDGE = (16, 48, 104)
WHITE = (250, 250, 250)
GREY = (96, 96, 96)
ORANGE = (255, 150, 20)

# The standard 16-colour palette, in the usual order of 4-bit bitmaps.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette256():
    """The 16 standard colours, a 6x6x6 colour cube, then greys: 256 entries."""
    pal = list(VGA16)
    levels = (0, 51, 102, 153, 204, 255)
    pal += [(r, g, b) for r in levels for g in levels for b in levels]
    step = 255 / 25
    pal += [(round(i * step),) * 3 for i in range(1, 25)]
    assert len(pal) == 256
    return pal


def in_round_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def sample(u, v):
    """Colour at (u, v) in the unit square, or None where the icon is transparent."""
    # Mouse body: an upright ellipse in the lower left.
    mx, my, ma, mb = 0.40, 0.58, 0.21, 0.30
    d = ((u - mx) / ma) ** 2 + ((v - my) / mb) ** 2
    if d <= 1.0:
        if d >= 0.72:
            return GREY
        # The split between the two buttons and the line under them.
        if abs(u - mx) < 0.025 and v < my:
            return GREY
        if abs(v - my) < 0.025:
            return GREY
        return WHITE
    # Three arcs above the right of the mouse: the reports going out.
    ox, oy = 0.58, 0.36
    r = math.hypot(u - ox, v - oy)
    ang = math.atan2(oy - v, u - ox)
    if 0.15 < ang < 1.45:
        for ring in (0.14, 0.24, 0.34):
            if abs(r - ring) < 0.035:
                return ORANGE
    if in_round_rect(u, v, 0.02, 0.02, 0.98, 0.98, 0.18):
        if not in_round_rect(u, v, 0.06, 0.06, 0.94, 0.94, 0.14):
            return BLUE_EDGE
        return BLUE
    return None


def render(size):
    """Rows top to bottom of (r, g, b) or None, averaged over sub-samples."""
    rows = []
    n = SUPERSAMPLE
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    c = sample((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits * 2 < n * n:
                row.append(None)
            else:
                row.append(tuple(round(a / hits) for a in acc))
        rows.append(row)
    return rows


def nearest(pal, c):
    return min(range(len(pal)), key=lambda i: sum((pal[i][k] - c[k]) ** 2 for k in range(3)))


def stride(width, bits):
    return ((width * bits + 31) // 32) * 4


def dib(rows, bits):
    """One icon image: BITMAPINFOHEADER, palette, colour bits, then the AND mask."""
    size = len(rows)
    pal = VGA16 if bits == 4 else palette256() if bits == 8 else []
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0,
                         (stride(size, bits) + stride(size, 1)) * size, 0, 0, len(pal), 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in pal)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        line = bytearray()
        if bits == 24:
            for c in row:
                r, g, b = c if c is not None else (0, 0, 0)
                line += bytes((b, g, r))
        else:
            idx = [nearest(pal, c) if c is not None else 0 for c in row]
            if bits == 4:
                idx += [0] * (len(idx) % 2)
                line += bytes((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2))
            else:
                line += bytes(idx)
        line += b"\0" * (stride(size, bits) - len(line))
        xor += line
        m = bytearray(stride(size, 1))
        for x, c in enumerate(row):
            if c is None:
                m[x // 8] |= 0x80 >> (x % 8)
        mask += m
    return header + palette + bytes(xor) + bytes(mask)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    images = []
    renders = {size: render(size) for size in SIZES}
    for bits in DEPTHS:
        for size in SIZES:
            images.append((size, bits, dib(renders[size], bits)))

    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        colours = 16 if bits == 4 else 0  # 0 means 256 or more
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
