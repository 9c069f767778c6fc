#!/usr/bin/env python3
"""Draws the progress bar's artwork into resources/progressbar/.

trough.png    59 x 13  the empty rounded trough the frame is cut from
blank.png      8 x 10  the white eraser of the continuous style
<skin><n>.png  8 x 10  piece n (0 pale, 1 medium, 2 full colour) of each skin

Everything is drawn here from the colour table below (no outside artwork)
and written as 24-bit RGB PNGs with the standard library only, so the same
script always gives the same bytes. Run from anywhere."""
import math
import os
import struct
import zlib

PIECE_WIDTH = 8
PIECE_HEIGHT = 10
MIDDLE_ROWS = (4, 5)
DARKEST_ROW = 5

# Per skin, in ProgressLook order: piece 0's middle row from left to right,
# piece 1's middle row from left to right, and piece 2's top, darkest and
# bottom rows.
SKINS = [
    ("master", ("C5F3C5", "5BDD5E"), ("7EE480", "29D22C"), ("95E996", "28D22B", "75E277")),
    ("blue", ("D0E6FB", "81BBF6"), ("61AAF3", "0C7CED"), ("409FFF", "0076EC", "3399FF")),
    ("bluemet", ("EDF4F9", "9CB8C8"), ("829FA9", "285447"), ("5892BA", "093C28", "38759F")),
    ("goldmet", ("FDFBFE", "F3E1C3"), ("ECD39F", "D8AC2F"), ("ECD39F", "D8A62F", "E2C366")),
    ("grmet", ("D1E0CC", "C9DCC3"), ("B9D2B2", "89B27D"), ("95B38E", "76A66A", "98C88C")),
    ("greymet", ("EDEDED", "CDCDCD"), ("B4B4B4", "767676"), ("CBCBCB", "6B6B6B", "A8A8A8")),
    ("orangemet", ("FFFDF3", "FFF0B7"), ("FFE997", "FFD63E"), ("FFE996", "FFD22C", "FFE278")),
    ("redmet", ("F4CCB2", "F4CEB6"), ("F2C4A7", "E6915B"), ("E9A87F", "E38040", "EBB89A")),
]

# How much of the full-colour piece's top and bottom shading the paler
# pieces take over, so that all three look like the same rounded bar.
SHADING = {0: 0.35, 1: 0.6}

WHITE = "FFFFFF"
OUTLINE = "6B696B"
INNER_DARK = "BDBEBD"
INNER_LIGHT = "EFEFEF"
# The rounded corner, seen from the top-left: the extreme pixel white, the
# outline curving through its neighbours.
CORNER_EDGE = "ADAAA5"
CORNER_NEAR = "7B7D7B"
CORNER_DIAGONAL = "737573"

TROUGH_WIDTH = 59
TROUGH_HEIGHT = 13


def rgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def clamp(value):
    return max(0, min(255, value))


def ease(t):
    return (1.0 - math.cos(math.pi * t)) / 2.0


def full_colour_rows(top, darkest, bottom):
    """Piece 2's colour for each row: light at the top and bottom rows,
    darkest on the sixth row, eased in between like a rounded metal bar."""
    rows = []
    for row in range(PIECE_HEIGHT):
        if row <= DARKEST_ROW:
            rows.append(mix(top, darkest, ease(row / DARKEST_ROW)))
        else:
            rows.append(mix(darkest, bottom, ease((row - DARKEST_ROW) / (PIECE_HEIGHT - 1 - DARKEST_ROW))))
    return rows


def middle_row(left, right):
    """A middle row shaded from left to right. The colour changes every two
    columns only: the continuous style draws the pieces half as wide, and
    shrinking combines neighbouring columns, which must agree."""
    pairs = PIECE_WIDTH // 2
    row = []
    for column in range(PIECE_WIDTH):
        row.append(mix(left, right, (column // 2) / (pairs - 1)))
    return row


def full_colour_piece(top, darkest, bottom):
    return [[colour] * PIECE_WIDTH for colour in full_colour_rows(top, darkest, bottom)]


def pale_piece(left, right, full_rows, shading):
    middle = middle_row(left, right)
    reference = full_rows[DARKEST_ROW]
    pixels = []
    for row in range(PIECE_HEIGHT):
        if row in MIDDLE_ROWS:
            pixels.append(list(middle))
            continue
        lift = [full_rows[row][i] - reference[i] for i in range(3)]
        pixels.append([tuple(clamp(round(colour[i] + shading * lift[i])) for i in range(3)) for colour in middle])
    return pixels


def trough():
    """The empty trough: outline, two inner lines along the top and the
    sides, one along the bottom, white inside, corners rounded over three
    pixels."""
    w, h = TROUGH_WIDTH, TROUGH_HEIGHT
    pixels = [[rgb(WHITE)] * w for _ in range(h)]

    def put(x, y, colour):
        pixels[y][x] = rgb(colour)

    for x in range(w):
        put(x, 0, OUTLINE)
        put(x, 1, INNER_DARK)
        put(x, 2, INNER_LIGHT)
        put(x, h - 2, INNER_LIGHT)
        put(x, h - 1, OUTLINE)
    for y in range(1, h - 1):
        put(0, y, OUTLINE)
        put(w - 1, y, OUTLINE)
        put(1, y, INNER_DARK)
        put(w - 2, y, INNER_DARK)
    for y in range(2, h - 1):
        put(2, y, INNER_LIGHT)
        put(w - 3, y, INNER_LIGHT)

    top_corner = [
        [WHITE, CORNER_EDGE, CORNER_NEAR],
        [CORNER_EDGE, CORNER_DIAGONAL, INNER_DARK],
        [CORNER_NEAR, INNER_DARK, INNER_LIGHT],
    ]
    # The bottom has only the light inner line, so the corner's inner
    # pixels there are light.
    bottom_corner = [
        [CORNER_NEAR, INNER_DARK, INNER_LIGHT],
        [CORNER_EDGE, CORNER_DIAGONAL, INNER_LIGHT],
        [WHITE, CORNER_EDGE, CORNER_NEAR],
    ]
    for y in range(3):
        for x in range(3):
            put(x, y, top_corner[y][x])
            put(w - 1 - x, y, top_corner[y][x])
            put(x, h - 3 + y, bottom_corner[y][x])
            put(w - 1 - x, h - 3 + y, bottom_corner[y][x])
    return pixels


def write_png(path, pixels):
    height = len(pixels)
    width = len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # no filter
        for colour in row:
            raw.extend(colour)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as file:
        file.write(png)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = os.path.join(here, "..", "resources", "progressbar")
    os.makedirs(folder, exist_ok=True)

    write_png(os.path.join(folder, "trough.png"), trough())
    write_png(os.path.join(folder, "blank.png"), [[rgb(WHITE)] * PIECE_WIDTH for _ in range(PIECE_HEIGHT)])
    for name, piece0, piece1, piece2 in SKINS:
        full_rows = full_colour_rows(*(rgb(c) for c in piece2))
        pieces = [
            pale_piece(rgb(piece0[0]), rgb(piece0[1]), full_rows, SHADING[0]),
            pale_piece(rgb(piece1[0]), rgb(piece1[1]), full_rows, SHADING[1]),
            full_colour_piece(*(rgb(c) for c in piece2)),
        ]
        for index, piece in enumerate(pieces):
            write_png(os.path.join(folder, f"{name}{index}.png"), piece)


if __name__ == "__main__":
    main()
