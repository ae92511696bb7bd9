#!/usr/bin/env python3
"""Draws the button glyphs PLAY, SLOW and STOP as PNG files.

Each file holds two 16 x 16 images side by side: the normal glyph on the left and the
disabled one (grey with a white emboss) on the right. Standard library only; run it from
any folder, it writes next to itself:  python3 ui/images/make_glyphs.py
"""
import os
import struct
import zlib

SIZE = 16
SUB = 4  # supersamples per pixel and axis


def half_planes(points):
    """Inward half-planes (a, b, c) with a*x + b*y + c = distance for a convex polygon."""
    area = 0.0
    for i, (x0, y0) in enumerate(points):
        x1, y1 = points[(i + 1) % len(points)]
        area += x0 * y1 - x1 * y0
    sign = 1.0 if area > 0 else -1.0
    planes = []
    for i, (x0, y0) in enumerate(points):
        x1, y1 = points[(i + 1) % len(points)]
        dx, dy = x1 - x0, y1 - y0
        length = (dx * dx + dy * dy) ** 0.5
        a, b = -dy * sign / length, dx * sign / length
        planes.append((a, b, -(a * x0 + b * y0)))
    return planes


def depth(shapes, x, y):
    """How far (x, y) lies inside the union of convex shapes (negative outside)."""
    best = -1e9
    for planes in shapes:
        best = max(best, min(a * x + b * y + c for a, b, c in planes))
    return best


def coverage(shapes, px, py, inset=0.0):
    hits = 0
    for sy in range(SUB):
        for sx in range(SUB):
            x = px + (sx + 0.5) / SUB
            y = py + (sy + 0.5) / SUB
            if depth(shapes, x, y) >= inset:
                hits += 1
    return hits / (SUB * SUB)


def over(dst, rgb, alpha):
    """Blends colour rgb with coverage alpha over the premultiplied pixel dst."""
    r, g, b, a = dst
    return (rgb[0] * alpha + r * (1 - alpha), rgb[1] * alpha + g * (1 - alpha),
            rgb[2] * alpha + b * (1 - alpha), alpha + a * (1 - alpha))


def draw(image, x0, shapes, fill, outline, offset=(0.0, 0.0)):
    ox, oy = offset
    moved = [[(a, b, c - a * ox - b * oy) for a, b, c in planes] for planes in shapes]
    for py in range(SIZE):
        for px in range(SIZE):
            outer = coverage(moved, px, py)
            if outer == 0:
                continue
            inner = coverage(moved, px, py, 1.0) if outline else outer
            pixel = image[py][x0 + px]
            if outline:
                pixel = over(pixel, outline, outer)
            image[py][x0 + px] = over(pixel, fill, inner)


def glyph(shapes, fill, outline):
    image = [[(0.0, 0.0, 0.0, 0.0)] * (2 * SIZE) for _ in range(SIZE)]
    draw(image, 0, shapes, fill, outline)
    draw(image, SIZE, shapes, (255, 255, 255), None, (1.0, 1.0))
    draw(image, SIZE, shapes, (128, 128, 128), None)
    return image


def write_png(path, image):
    raw = bytearray()
    for row in image:
        raw.append(0)
        for r, g, b, a in row:
            if a > 0:
                r, g, b = r / a, g / a, b / a
            raw += bytes(min(255, int(round(v))) for v in (r, g, b, a * 255))
    height, width = len(image), len(image[0])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def rect(x0, y0, x1, y1):
    return half_planes([(x0, y0), (x1, y0), (x1, y1), (x0, y1)])


GLYPHS = {
    # Run: a right-pointing triangle.
    "PLAY": ([half_planes([(4.0, 2.0), (13.5, 8.0), (4.0, 14.0)])], (40, 170, 40), (0, 90, 0)),
    # Single step: a smaller triangle against a bar.
    "SLOW": ([half_planes([(2.5, 3.0), (9.5, 8.0), (2.5, 13.0)]), rect(10.5, 3.0, 13.5, 13.0)],
             (50, 110, 215), (10, 45, 130)),
    # Stop: a square.
    "STOP": ([rect(3.0, 3.0, 13.0, 13.0)], (215, 40, 40), (120, 0, 0)),
}

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, (shapes, fill, outline) in GLYPHS.items():
        write_png(os.path.join(here, name + ".png"), glyph(shapes, fill, outline))
