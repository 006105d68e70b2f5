#!/usr/bin/env python3
"""Draws the program's two camera icons as 8-bit RGBA PNG files.

Usage: draw_icons.py [output-directory]   (default: this script's directory)

Shapes are laid out on a 36 x 30 design grid and scaled to each icon size;
every pixel is supersampled so the small icon keeps soft edges.
"""
import os
import struct
import sys
import zlib

DESIGN_W, DESIGN_H = 36.0, 30.0
SAMPLES = 8  # per axis

BODY = (0x37, 0x47, 0x4F)
RING = (0xB0, 0xBE, 0xC5)
BARREL = (0x26, 0x32, 0x38)
GLASS = (0x4F, 0xC3, 0xF7)
SHINE = (0xFF, 0xFF, 0xFF)
LAMP = (0xFF, 0x70, 0x43)


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


# Painted in order, later shapes over earlier ones.
SHAPES = [
    (rounded_rect(1, 8, 35, 28, 3.5), BODY),        # body
    (rounded_rect(11, 3.5, 23, 10, 1.5), BODY),     # viewfinder hump
    (rounded_rect(27, 5.5, 32, 9, 1), BODY),        # shutter button
    (circle(18, 18, 8.2), RING),                    # lens mount
    (circle(18, 18, 6.4), BARREL),
    (circle(18, 18, 4.6), GLASS),
    (circle(16.2, 16.2, 1.4), SHINE),
    (circle(30.5, 12.5, 1.4), LAMP),                # lamp
]


def render(width, height):
    sx, sy = DESIGN_W / width, DESIGN_H / height
    rows = []
    for py in range(height):
        row = bytearray()
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied r, g, b and alpha
            for j in range(SAMPLES):
                for i in range(SAMPLES):
                    x = (px + (i + 0.5) / SAMPLES) * sx
                    y = (py + (j + 0.5) / SAMPLES) * sy
                    colour = None
                    for inside, c in SHAPES:
                        if inside(x, y):
                            colour = c
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1.0
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha == 0:
                row += bytes(4)
            else:
                row += bytes(round(acc[k] / acc[3]) for k in range(3)) + bytes([round(alpha * 255)])
        rows.append(bytes(row))
    return rows


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, width, height, rows):
    # Colour type 6 = RGBA, 8 bits per channel; each row starts with filter 0.
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    raw = b"".join(b"\x00" + r for r in rows)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
           + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, w, h in (("carema_icon_normal.png", 19, 16), ("icon.png", 36, 30)):
        write_png(os.path.join(out, name), w, h, render(w, h))
        print(os.path.join(out, name))


if __name__ == "__main__":
    main()
