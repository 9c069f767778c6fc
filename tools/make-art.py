#!/usr/bin/env python3
"""Draws the program's logo and icon: resources/logo.png and resources/tessaly.png,
and the desktop's 256-pixel icon resources/tessaly-256.png.

Each is drawn again for finer screens from the same shapes on a finer pixel
grid: name@2x.png and name@3x.png (for the 256-pixel icon only @2x, the
largest the desktop's icon theme asks for).

A 48 x 48 steel-blue tile with a white capital A and an amber small a, the
program's trade in one picture. Drawn here from shapes (no outside artwork),
4 x 4 supersampled, then reduced to a palette of at most 256 colours with one
transparent entry, the format the windows expect. Only the standard library
is used. Run from anywhere; the files land in ../resources."""
import os
import struct
import zlib

SIZE = 48
SAMPLES = 4

TILE = (2.0, 2.0, 46.0, 46.0)
TILE_RADIUS = 9.0
OUTLINE = (22, 40, 58)
TILE_LIGHT = (112, 160, 196)
TILE_DARK = (38, 74, 104)
CAPITAL = (255, 255, 255)
SMALL = (255, 190, 60)
SHADOW = (10, 24, 38)


def in_rounded_rect(x, y, rect, radius):
    left, top, right, bottom = rect
    if x < left or x >= right or y < top or y >= bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def in_polygon(x, y, points):
    inside = False
    count = len(points)
    for i in range(count):
        x1, y1 = points[i]
        x2, y2 = points[(i + 1) % count]
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


# The capital A: two legs that meet in a flat apex, and a crossbar.
LEFT_LEG = [(14.0, 8.0), (19.5, 8.0), (11.5, 38.0), (5.5, 38.0)]
RIGHT_LEG = [(14.5, 8.0), (20.0, 8.0), (29.0, 38.0), (23.0, 38.0)]
CROSSBAR = [(10.0, 26.5), (24.5, 26.5), (25.5, 31.0), (9.0, 31.0)]


def in_capital(x, y):
    return in_polygon(x, y, LEFT_LEG) or in_polygon(x, y, RIGHT_LEG) or in_polygon(x, y, CROSSBAR)


# The small a: a round bowl with a stem on its right.
BOWL_CENTRE = (34.0, 31.0)
BOWL_OUTER = 7.5
BOWL_INNER = 3.8
STEM = (38.5, 23.5, 43.0, 38.5)


def in_small(x, y):
    distance = ((x - BOWL_CENTRE[0]) ** 2 + (y - BOWL_CENTRE[1]) ** 2) ** 0.5
    if BOWL_INNER <= distance <= BOWL_OUTER:
        return True
    left, top, right, bottom = STEM
    return left <= x < right and top <= y < bottom


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def sample(x, y):
    """The colour and coverage of one point of the picture."""
    if not in_rounded_rect(x, y, TILE, TILE_RADIUS):
        return None
    # A one-pixel rim keeps the edge readable on light and dark backgrounds.
    inner = (TILE[0] + 1.2, TILE[1] + 1.2, TILE[2] - 1.2, TILE[3] - 1.2)
    if not in_rounded_rect(x, y, inner, TILE_RADIUS - 1.2):
        return OUTLINE
    t = ((x - TILE[0]) + (y - TILE[1])) / ((TILE[2] - TILE[0]) + (TILE[3] - TILE[1]))
    colour = mix(TILE_LIGHT, TILE_DARK, t)
    # A soft gloss over the upper half.
    if y < 22.0 and in_rounded_rect(x, y, (5.0, 4.0, 43.0, 40.0), 8.0):
        colour = mix(colour, (255, 255, 255), 0.16 * (22.0 - y) / 18.0)
    if in_capital(x - 1.2, y - 1.2) or in_small(x - 1.2, y - 1.2):
        colour = mix(colour, SHADOW, 0.55)
    if in_capital(x, y):
        colour = CAPITAL
    elif in_small(x, y):
        colour = SMALL
    return colour


def supersampled(size):
    """Each pixel of the picture drawn at `size` pixels a side: its mean
    colour and the share of its samples that the picture covers, or None
    where it covers none."""
    scale = SIZE / size
    pixels = []
    for row in range(size):
        for column in range(size):
            red = green = blue = 0.0
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = sample((column + (sx + 0.5) / SAMPLES) * scale, (row + (sy + 0.5) / SAMPLES) * scale)
                    if colour is None:
                        continue
                    covered += 1
                    red += colour[0]
                    green += colour[1]
                    blue += colour[2]
            if covered == 0:
                pixels.append(None)
            else:
                mean = (round(red / covered), round(green / covered), round(blue / covered))
                pixels.append((mean, covered / (SAMPLES * SAMPLES)))
    return pixels


def render(size):
    # Two levels of transparency only, as a 256-colour picture has.
    return [None if p is None or p[1] < 0.5 else p[0] for p in supersampled(size)]


def median_cut(colours, limit):
    """Splits the colour set along its widest channel until `limit` boxes."""
    boxes = [sorted(set(colours))]
    while len(boxes) < limit:
        widest = None
        for index, box in enumerate(boxes):
            if len(box) < 2:
                continue
            ranges = [max(c[ch] for c in box) - min(c[ch] for c in box) for ch in range(3)]
            spread = max(ranges)
            if widest is None or spread > widest[0]:
                widest = (spread, index, ranges.index(spread))
        if widest is None or widest[0] == 0:
            break
        _, index, channel = widest
        box = sorted(boxes.pop(index), key=lambda c: c[channel])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    palette = []
    lookup = {}
    for box in boxes:
        mean = tuple(round(sum(c[ch] for c in box) / len(box)) for ch in range(3))
        for colour in box:
            lookup[colour] = len(palette)
        palette.append(mean)
    return palette, lookup


def write_png(path, size, pixels):
    opaque = [p for p in pixels if p is not None]
    palette, lookup = median_cut(opaque, 255)
    # Entry 0 is the transparent one; the tRNS chunk marks only it.
    entries = [(0, 0, 0)] + palette
    rows = b""
    for row in range(size):
        line = bytearray([0])
        for column in range(size):
            pixel = pixels[row * size + column]
            line.append(0 if pixel is None else lookup[pixel] + 1)
        rows += bytes(line)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0))
    png += chunk(b"PLTE", b"".join(bytes(colour) for colour in entries))
    png += chunk(b"tRNS", b"\x00")
    png += chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def render_large(size):
    """The same picture at another size, in full colour with soft edges,
    for the desktop's larger icon: PNG rows of red, green, blue, alpha."""
    pixels = supersampled(size)
    rows = b""
    for row in range(size):
        line = bytearray([0])
        for pixel in pixels[row * size:(row + 1) * size]:
            line += bytes(4) if pixel is None else bytes(pixel[0] + (round(255 * pixel[1]),))
        rows += bytes(line)
    return rows


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_rgba_png(path, size, rows):
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    os.makedirs(folder, exist_ok=True)
    for scale, suffix in ((1, ""), (2, "@2x"), (3, "@3x")):
        size = SIZE * scale
        pixels = render(size)
        # The logo and the window icon are one picture.
        for name in ("logo", "tessaly"):
            write_png(os.path.join(folder, name + suffix + ".png"), size, pixels)
    for scale, suffix in ((1, ""), (2, "@2x")):
        size = 256 * scale
        write_rgba_png(os.path.join(folder, "tessaly-256" + suffix + ".png"), size, render_large(size))


if __name__ == "__main__":
    main()
