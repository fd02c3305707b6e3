#!/usr/bin/env python3
"""Draws the program icon: 16x16 and 32x32 images, 16 colours, fully opaque.

Writes the two images as RT_ICON resource data (icon30001.bin, icon30002.bin),
the group directory that names them (icon_group.bin) and, for viewing, program.ico.
The outputs are committed; run this script again after changing the artwork.
"""
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
NAVY, GREY, SILVER, WHITE, CYAN = 4, 8, 7, 15, 14


def pixel(x, y, size):
    """A white "C" ring with a cyan accent on a navy tile with a grey border."""
    if x == 0 or y == 0 or x == size - 1 or y == size - 1:
        return GREY
    c = (size - 1) / 2.0
    dx, dy = x - c, y - c
    r = (dx * dx + dy * dy) ** 0.5
    outer, inner = size * 0.40, size * 0.24
    opening = dx > 0 and abs(dy) < size * 0.16
    if inner <= r <= outer and not opening:
        return WHITE if dy <= 0 or dx < 0 else SILVER
    if r < size * 0.09:
        return CYAN
    return NAVY


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    for y in reversed(range(size)):
        row = bytearray(xor_stride)
        for x in range(size):
            row[x // 2] |= pixel(x, y, size) << (4 if x % 2 == 0 else 0)
        xor += row
    opaque_mask = bytes(and_stride * size)
    return header + palette + bytes(xor) + opaque_mask


def main(out_dir):
    images = [(16, 30001, image(16)), (32, 30002, image(32))]
    group = struct.pack("<HHH", 0, 1, len(images))
    ico = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, res_id, data in images:
        with open(os.path.join(out_dir, "icon%d.bin" % res_id), "wb") as f:
            f.write(data)
        group += struct.pack("<BBBBHHIH", size, size, 16, 0, 1, 4, len(data), res_id)
        ico += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(os.path.join(out_dir, "icon_group.bin"), "wb") as f:
        f.write(group)
    with open(os.path.join(out_dir, "program.ico"), "wb") as f:
        f.write(ico + b"".join(data for _, _, data in images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__)))
