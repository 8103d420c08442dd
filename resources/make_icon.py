#!/usr/bin/env python3
"""Draws the program icon: a ceramic EPROM with its quartz erasing window, 32x32, 16 colours.

Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

SIZE = 32
# The standard 16-colour palette (B, G, R, 0).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # given as (R, G, B)
BLACK, DARK_GREY, LIGHT_GREY, WHITE = 0, 8, 7, 15
NAVY, BLUE, CYAN, TEAL, YELLOW = 4, 12, 14, 6, 11
TRANSPARENT = None


def draw():
    pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                pixels[y][x] = colour

    # Pins down both long sides.
    for y in range(4, 28, 3):
        rect(2, y, 5, y + 1, LIGHT_GREY)
        rect(26, y, 29, y + 1, LIGHT_GREY)
    # Body with a lighter top edge and a dark outline.
    rect(6, 2, 25, 29, DARK_GREY)
    rect(6, 2, 25, 2, LIGHT_GREY)
    for y in range(2, 30):
        pixels[y][6] = BLACK if y > 2 else pixels[y][6]
        pixels[y][25] = BLACK
    rect(6, 29, 25, 29, BLACK)
    # Orientation notch.
    rect(14, 3, 17, 4, BLACK)
    # Quartz window: a navy frame, a blue pane and a highlight.
    rect(10, 10, 21, 21, NAVY)
    rect(11, 11, 20, 20, BLUE)
    rect(13, 13, 18, 18, TEAL)
    rect(12, 12, 13, 13, CYAN)
    pixels[14][14] = WHITE
    # Pin-1 dot.
    rect(8, 25, 9, 26, YELLOW)
    return pixels


def encode(pixels):
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    colour_rows, mask_rows = [], []
    for row in reversed(pixels):  # bottom-up
        nibbles = [0 if p is None else p for p in row]
        colour_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is None else 0)
        mask_rows.append(bits.to_bytes(SIZE // 8, 'big'))
    image = header + palette + b''.join(colour_rows) + b''.join(mask_rows)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], 'wb') as out:
        out.write(encode(draw()))


if __name__ == '__main__':
    main()
