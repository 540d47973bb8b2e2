#!/usr/bin/env python3
"""Writes resources/setup.ico: the program's icon, one 32x32 image in 16 colours (4 bits per
pixel, the standard 16-colour palette), so it shows the same on every display.

The picture: a blue square with a bevelled edge, a white plug with two yellow pins pointing
up into it, and its cable leaving at the bottom. Run it again after changing the drawing:
    python3 resources/make_icon.py resources/setup.ico
"""
import struct
import sys

# The 16 standard colours, in the order Windows numbers them.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREY, SILVER, YELLOW, BLUE, WHITE = 0, 4, 8, 7, 11, 12, 15
SIZE = 32


def draw():
    px = [[None] * SIZE for _ in range(SIZE)]   # None: transparent

    def rect(x0, y0, x1, y1, c):                # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = c

    rect(1, 1, 30, 30, BLUE)                    # the tile
    rect(1, 1, 30, 1, WHITE)                    # raised edge: light top and left...
    rect(1, 1, 1, 30, WHITE)
    rect(1, 30, 30, 30, NAVY)                   # ...dark bottom and right
    rect(30, 1, 30, 30, NAVY)
    rect(0, 0, 31, 0, BLACK)                    # outline
    rect(0, 31, 31, 31, BLACK)
    rect(0, 0, 0, 31, BLACK)
    rect(31, 0, 31, 31, BLACK)
    rect(11, 5, 13, 11, YELLOW)                 # the two pins
    rect(18, 5, 20, 11, YELLOW)
    rect(8, 12, 23, 21, WHITE)                  # the plug body
    rect(8, 21, 23, 21, SILVER)
    rect(23, 12, 23, 21, SILVER)
    rect(10, 14, 21, 15, GREY)                  # grip lines
    rect(10, 17, 21, 18, GREY)
    rect(14, 22, 17, 24, WHITE)                 # strain relief and cable
    rect(15, 25, 16, 29, BLACK)
    return px


def ico(px):
    # XOR mask: 4 bits per pixel, rows bottom-up, each row 16 bytes (a multiple of 4).
    xor = bytearray()
    for y in reversed(range(SIZE)):
        row = [c if c is not None else 0 for c in px[y]]
        for x in range(0, SIZE, 2):
            xor.append(row[x] << 4 | row[x + 1])
    # AND mask: 1 bit per pixel, set where transparent, rows of 4 bytes, bottom-up.
    and_mask = bytearray()
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if px[y][x] is None else 0)
        and_mask += struct.pack(">I", bits)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(and_mask), 0, 0, 16, 0)
    image = header + colours + bytes(xor) + bytes(and_mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    with open(sys.argv[1] if len(sys.argv) > 1 else "setup.ico", "wb") as f:
        f.write(ico(draw()))
