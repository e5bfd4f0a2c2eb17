#!/usr/bin/env python3
"""Draws Korvane's icon, 32 x 32 pixels in the 16 standard colours, and writes it as .ico.

A satellite with two solar panels rising over a green horizon, on a night-blue sky.
Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

PALETTE = [  # the 16 standard Windows colours, as (red, green, blue)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
    (0, 255, 255), (255, 255, 255),
]
NIGHT, DARK_GREEN, GREEN, GREY, SILVER, YELLOW, CYAN, WHITE, BLUE = 4, 2, 10, 8, 7, 11, 14, 15, 12
SIZE = 32


def draw():
    pixels = [[NIGHT] * SIZE for _ in range(SIZE)]
    for x, y in [(3, 4), (27, 3), (22, 9), (6, 13), (29, 15), (14, 2)]:
        pixels[y][x] = WHITE
    # The horizon: a low green hill across the bottom.
    for y in range(SIZE):
        for x in range(SIZE):
            if (x - 16) ** 2 + (y - 58) ** 2 <= 33 ** 2:
                pixels[y][x] = GREEN if (x - 16) ** 2 + (y - 58) ** 2 <= 31 ** 2 else DARK_GREEN
    # Solar panels with their struts, and the satellite's body.
    for y in range(10, 16):
        for x in list(range(4, 12)) + list(range(20, 28)):
            pixels[y][x] = CYAN if (x + y) % 3 else BLUE
    for x in range(12, 20):
        pixels[13][x] = SILVER
    for y in range(9, 18):
        for x in range(13, 19):
            pixels[y][x] = YELLOW if 10 <= y <= 16 and 14 <= x <= 17 else GREY
    pixels[8][16] = pixels[7][16] = SILVER  # antenna
    pixels[6][15] = pixels[6][17] = WHITE
    return pixels


def ico(pixels):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    rows = []
    for y in reversed(range(SIZE)):  # bottom-up
        row = pixels[y]
        rows.append(bytes((row[x] << 4) | row[x + 1] for x in range(0, SIZE, 2)))
    colour = b"".join(rows)
    mask = bytes(SIZE * SIZE // 8)  # fully opaque
    image = header + palette + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 22)
    return directory + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(ico(draw()))
