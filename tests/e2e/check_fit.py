#!/usr/bin/env python3
"""Checks that texts shown on the screen are not cut off by their controls.

usage: check_fit.py "X,Y,W,H X,Y,W,H" < screenshot.ppm
The areas are the list's and the rate field's client areas, as
`tavrel_probe widest` prints them once it has shown the widest line and rate;
the screenshot is the whole X screen as a binary PPM. In each area the
columns holding any pixel other than the area's top-left one (its background,
which no text reaches) must keep clear of both edges: a text wider than its
control touches one. Exits 1 when a text is cut off, 2 when an area shows no
text (yet).
"""
import sys


def ink_columns(pixels, width, x, y, w, h):
    """The columns of the area holding a pixel other than its top-left one."""
    def at(cx, cy):
        i = ((y + cy) * width + x + cx) * 3
        return pixels[i:i + 3]
    background = at(0, 0)
    return [cx for cx in range(w) if any(at(cx, cy) != background for cy in range(h))]


def main():
    data = sys.stdin.buffer.read()
    # "P6", width, height, 255, each between white space and "#" comments.
    header = [t for line in data.split(b"\n", 8)[:8] if not line.startswith(b"#")
              for t in line.split()]
    width, height = int(header[1]), int(header[2])
    pixels = data[len(data) - width * height * 3:]
    result = 0
    for name, area in zip(("list", "rate"), sys.argv[1].split()):
        x, y, w, h = map(int, area.split(","))
        ink = ink_columns(pixels, width, x, y, w, h)
        if not ink:
            print("%s: no text in %d columns" % (name, w))
            result = max(result, 2)
            continue
        clear = ink[0] >= 1 and ink[-1] <= w - 2
        print("%s: text in columns %d-%d of %d, %s" % (name, ink[0], ink[-1], w,
                                                      "clear of the edges" if clear else "CUT OFF"))
        result = result if clear else 1
    return result


if __name__ == "__main__":
    sys.exit(main())
