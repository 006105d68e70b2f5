#!/usr/bin/env python3
"""Draws the programs' icons: as 8-bit RGBA PNG files and as SVG.

Usage:
  draw_icons.py [output-directory]
      the two icons of the resource bundle (default: this script's directory)
  draw_icons.py --rig [output-directory]
      the rig window's rig-icon.png, 256 x 256 (default: ../rig from here)
  draw_icons.py --hicolor DIRECTORY NAME [--rig]
      NAME.png at 16 to 256 px in DIRECTORY/<size>x<size>/apps/ and NAME.svg
      in DIRECTORY/scalable/apps/, for an icon theme; --rig draws the rig's

The camera is laid out on a 36 x 30 design grid, the rig (three bodies, the
camera's shapes scaled) on 36 x 36, and scaled to each icon size; edge
pixels are supersampled so the small icon keeps soft edges. Theme icons are
square: the drawing is centred on a transparent canvas, unstretched.
"""
import math
import os
import struct
import sys
import zlib

DESIGN_W, DESIGN_H = 36.0, 30.0
SAMPLES = 8  # per axis
THEME_SIZES = (16, 32, 48, 64, 128, 256)

BODY = (0x37, 0x47, 0x4F)
RING = (0xB0, 0xBE, 0xC5)
BARREL = (0x26, 0x32, 0x38)
GLASS = (0x4F, 0xC3, 0xF7)
SHINE = (0xFF, 0xFF, 0xFF)
LAMP = (0xFF, 0x70, 0x43)

# Painted in order, later shapes over earlier ones. Plain data, so the pixel
# and the vector renderers cannot drift apart.
#   ("rect", x0, y0, x1, y1, corner radius) or ("circle", cx, cy, r)
SHAPES = [
    (("rect", 1, 8, 35, 28, 3.5), BODY),        # body
    (("rect", 11, 3.5, 23, 10, 1.5), BODY),     # viewfinder hump
    (("rect", 27, 5.5, 32, 9, 1), BODY),        # shutter button
    (("circle", 18, 18, 8.2), RING),            # lens mount
    (("circle", 18, 18, 6.4), BARREL),
    (("circle", 18, 18, 4.6), GLASS),
    (("circle", 16.2, 16.2, 1.4), SHINE),
    (("circle", 30.5, 12.5, 1.4), LAMP),        # lamp
]

RIG_W, RIG_H = 36.0, 36.0
RIG_ICON_SIZE = 256


def placed(scale, left, top, colours=None):
    """The camera's shapes scaled and moved so that its box starts at (left, top)."""
    colours = colours or {}
    out = []
    for shape, colour in SHAPES:
        colour = colours.get(colour, colour)
        if shape[0] == "rect":
            _, x0, y0, x1, y1, r = shape
            out.append((("rect", left + (x0 - 1) * scale, top + (y0 - 3.5) * scale,
                         left + (x1 - 1) * scale, top + (y1 - 3.5) * scale, r * scale), colour))
        else:
            _, cx, cy, r = shape
            out.append((("circle", left + (cx - 1) * scale, top + (cy - 3.5) * scale, r * scale),
                        colour))
    return out


# Two bodies behind, lighter as if further off so that the front one stands
# out against them at 16 px, and one in front overlapping both.
BEHIND = {BODY: RING, RING: SHINE, BARREL: BODY}
RIG_SHAPES = (placed(0.5, 0.5, 5.4, BEHIND) + placed(0.5, 18.5, 5.4, BEHIND)
              + placed(0.62, 7.5, 15.4))

CAMERA = (DESIGN_W, DESIGN_H, SHAPES)
RIG = (RIG_W, RIG_H, RIG_SHAPES)


def inside(shape, x, y):
    if shape[0] == "rect":
        _, x0, y0, x1, y1, r = shape
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    _, cx, cy, r = shape
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def distance(shape, x, y):
    """Signed distance to the shape's edge, negative inside."""
    if shape[0] == "rect":
        _, x0, y0, x1, y1, r = shape
        qx = abs(x - (x0 + x1) / 2) - ((x1 - x0) / 2 - r)
        qy = abs(y - (y0 + y1) / 2) - ((y1 - y0) / 2 - r)
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    _, cx, cy, r = shape
    return math.hypot(x - cx, y - cy) - r


def uniform_colour(shapes, x, y, reach):
    """The pixel's colour when no edge that shows crosses it, else False.

    (x, y) is the pixel's centre and reach its half diagonal; a distance is
    never off by more than the move, so this decides for every sample in it.
    """
    margin = reach + 1e-9
    for shape, colour in reversed(shapes):
        d = distance(shape, x, y)
        if d < -margin:
            return colour
        if d <= margin:
            return False
    return None


def render(width, height, view=None, drawing=CAMERA):
    """Rows of RGBA bytes; view is the design area (x, y, w, h) drawn, by
    default the drawing's whole grid."""
    shapes = drawing[2]
    vx, vy, vw, vh = view or (0.0, 0.0, drawing[0], drawing[1])
    sx, sy = vw / width, vh / height
    reach = math.hypot(sx, sy) / 2
    n = SAMPLES * SAMPLES
    rows = []
    for py in range(height):
        row = bytearray()
        for px in range(width):
            colour = uniform_colour(shapes, vx + (px + 0.5) * sx, vy + (py + 0.5) * sy, reach)
            if colour is None:
                row += bytes(4)
                continue
            if colour:
                row += bytes(colour) + b"\xff"
                continue
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied r, g, b and alpha
            for j in range(SAMPLES):
                for i in range(SAMPLES):
                    x = vx + (px + (i + 0.5) / SAMPLES) * sx
                    y = vy + (py + (j + 0.5) / SAMPLES) * sy
                    colour = None
                    for shape, c in shapes:
                        if inside(shape, x, y):
                            colour = c
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1.0
            alpha = acc[3] / n
            if alpha == 0:
                row += bytes(4)
            else:
                row += bytes(round(acc[k] / acc[3]) for k in range(3)) + bytes([round(alpha * 255)])
        rows.append(bytes(row))
    return rows


def square_view(drawing=CAMERA):
    w, h = drawing[0], drawing[1]
    side = max(w, h)
    return ((w - side) / 2, (h - side) / 2, side, side)


def svg(drawing=CAMERA):
    vx, vy, side, _ = square_view(drawing)
    hexa = lambda c: "#%02x%02x%02x" % c
    number = lambda v: "%g" % v
    lines = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
             'viewBox="%s %s %s %s">' % tuple(map(number, (vx, vy, side, side)))]
    for shape, colour in drawing[2]:
        if shape[0] == "rect":
            _, x0, y0, x1, y1, r = shape
            lines.append('<rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="%s"/>'
                         % (*map(number, (x0, y0, x1 - x0, y1 - y0, r)), hexa(colour)))
        else:
            _, cx, cy, r = shape
            lines.append('<circle cx="%s" cy="%s" r="%s" fill="%s"/>'
                         % (*map(number, (cx, cy, r)), hexa(colour)))
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


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


def write_theme(directory, name, drawing=CAMERA):
    for size in THEME_SIZES:
        folder = os.path.join(directory, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, name + ".png"), size, size,
                  render(size, size, square_view(drawing), drawing))
    folder = os.path.join(directory, "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name + ".svg"), "w", encoding="ascii") as f:
        f.write(svg(drawing))


def main():
    args = sys.argv[1:]
    rig = "--rig" in args
    if rig:
        args.remove("--rig")
    if args and args[0] == "--hicolor":
        if len(args) != 3:
            sys.exit(__doc__)
        write_theme(args[1], args[2], RIG if rig else CAMERA)
        return
    if len(args) > 1 or (args and args[0].startswith("-")):
        sys.exit(__doc__)
    here = os.path.dirname(os.path.abspath(__file__))
    if rig:
        out = args[0] if args else os.path.join(os.path.dirname(here), "rig")
        path = os.path.join(out, "rig-icon.png")
        write_png(path, RIG_ICON_SIZE, RIG_ICON_SIZE,
                  render(RIG_ICON_SIZE, RIG_ICON_SIZE, square_view(RIG), RIG))
        print(path)
        return
    out = args[0] if args else here
    for name, w, h in (("carema_icon_normal.png", 19, 16), ("icon.png", 36, 30)):
        write_png(os.path.join(out, name), w, h, render(w, h))
        print(os.path.join(out, name))


if __name__ == "__main__":
    main()
