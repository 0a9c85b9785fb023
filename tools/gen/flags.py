#!/usr/bin/env python3
"""Draws the language flags: 32 by 20 pixels, 16 colours, Windows BMP.

    tools/gen/flags.py          # writes resources/flags/English.bmp and
                                # resources/Languages/<Name>.bmp

The output is committed; the build only copies it.
"""
import os
import struct

W, H = 32, 20

# The 16-colour palette, as RGB.
PALETTE = [
    (0, 0, 0), (255, 255, 255), (200, 16, 46), (1, 33, 105),
    (0, 87, 183), (255, 215, 0), (221, 0, 0), (255, 206, 0),
    (0, 57, 166), (213, 43, 30), (128, 128, 128), (192, 192, 192),
    (0, 0, 128), (128, 0, 0), (0, 128, 0), (128, 128, 0),
]
BLACK, WHITE, RED, NAVY, UA_BLUE, UA_YELLOW, DE_RED, DE_GOLD, RU_BLUE, RU_RED = range(10)


def stripes(*colours):
    """Horizontal bands of equal height, top first."""
    def pixel(x, y):
        return colours[y * len(colours) // H]
    return pixel


def union_flag(x, y):
    # Centre of the pixel, in a frame where the flag is 2 by 1.25 units.
    u, v = (x + 0.5) / W * 2 - 1, (y + 0.5) / H * 2 - 1
    if abs(u) * W / 2 <= 1.5 or abs(v) * H / 2 <= 1.5:
        return RED
    if abs(u) * W / 2 <= 3 or abs(v) * H / 2 <= 3:
        return WHITE
    # Distance, in pixels, from either diagonal.
    d = min(abs(u * H - v * H), abs(u * H + v * H)) / 2 * W / (W ** 2 + H ** 2) ** 0.5 * 2
    if d <= 1.1:
        return RED
    if d <= 2.8:
        return WHITE
    return NAVY


FLAGS = {
    "resources/flags/English.bmp": union_flag,
    "resources/Languages/Russian.bmp": stripes(WHITE, RU_BLUE, RU_RED),
    "resources/Languages/German.bmp": stripes(BLACK, DE_RED, DE_GOLD),
    "resources/Languages/Ukrainian.bmp": stripes(UA_BLUE, UA_YELLOW),
}


def bmp(pixel):
    row_bytes = W // 2  # two pixels a byte; 16 bytes is already a multiple of 4
    pixels = bytearray()
    for y in reversed(range(H)):  # bottom row first
        for x in range(0, W, 2):
            pixels.append(pixel(x, y) << 4 | pixel(x + 1, y))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 4, 0, row_bytes * H, 3780, 3780, 16, 0)
    return header + info + palette + bytes(pixels)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    for name, pixel in FLAGS.items():
        with open(os.path.join(root, name), "wb") as out:
            out.write(bmp(pixel))


if __name__ == "__main__":
    main()
