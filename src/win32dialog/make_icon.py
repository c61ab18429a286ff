#!/usr/bin/env python3
"""Draws the settings dialog's icon and writes it as a .ico file.

A disk drive seen from the front with a gauge window that shows the free
space; 32x32 and 16x16, 16 colours (the standard VGA palette), so it looks
the same on every Windows version.

    make_icon.py OUTPUT.ico
"""

import struct
import sys

# The 16-colour VGA palette, as (blue, green, red) for the BMP colour table.
PALETTE = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0x80), (0x00, 0x80, 0x00), (0x00, 0x80, 0x80),
    (0x80, 0x00, 0x00), (0x80, 0x00, 0x80), (0x80, 0x80, 0x00), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0x00, 0x00, 0xFF), (0x00, 0xFF, 0x00), (0x00, 0xFF, 0xFF),
    (0xFF, 0x00, 0x00), (0xFF, 0x00, 0xFF), (0xFF, 0xFF, 0x00), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_GREY, LIGHT_GREY, WHITE = 0, 8, 7, 15
GREEN, DARK_GREEN, RED, DARK_BLUE = 10, 2, 9, 4
TRANSPARENT = None


def draw(size):
    """Returns rows (top first) of palette indices, None for transparent."""
    s = size / 32.0
    pixels = [[TRANSPARENT] * size for _ in range(size)]

    def box(x0, y0, x1, y1, colour):
        for y in range(round(y0 * s), round(y1 * s)):
            for x in range(round(x0 * s), round(x1 * s)):
                pixels[y][x] = colour

    # Drive body with a dark outline and a lit top edge.
    box(2, 7, 30, 26, BLACK)
    box(3, 8, 29, 25, LIGHT_GREY)
    box(3, 8, 29, 9, WHITE)
    box(3, 24, 29, 25, DARK_GREY)
    # Gauge window: mostly free (green), a used part (red).
    box(5, 12, 27, 18, BLACK)
    box(6, 13, 26, 17, DARK_GREEN)
    box(6, 13, 20, 17, GREEN)
    box(20, 13, 21, 17, WHITE)
    box(21, 13, 26, 17, RED)
    # Activity light and a slot.
    box(23, 20, 26, 22, GREEN if size > 16 else DARK_GREEN)
    box(6, 20, 17, 22, DARK_BLUE if size > 16 else DARK_GREY)
    return pixels


def image(size):
    """One icon image: BITMAPINFOHEADER, colour table, XOR mask, AND mask."""
    pixels = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for b, g, r in PALETTE)
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # bottom-up
        nibbles = [0 if p is None else p for p in row]
        xor = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows.append(xor + b"\0" * (-len(xor) % 4))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is None else 0)
        mask = bits.to_bytes(size // 8, "big")
        and_rows.append(mask + b"\0" * (-len(mask) % 4))
    return header + table + b"".join(xor_rows) + b"".join(and_rows)


def main():
    sizes = [32, 16]
    images = [image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
