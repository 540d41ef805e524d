#!/usr/bin/env python3
"""Draws Zantor's own icon: a blue tile with a white arrow rising out of a
board outline (an update going up to a board), at 16, 32 and 48 pixels,
and writes it as a Windows .ico (32-bit BGRA images with AND masks).

    python3 tools/icon/make_icon.py resources/zantor.ico
"""
import struct
import sys


def pixel(x, y, n):
    """BGRA of the pixel whose centre is (x+0.5, y+0.5) on an n x n tile."""
    u, v = (x + 0.5) / n, (y + 0.5) / n  # 0..1, v downwards
    r = 0.18  # corner radius of the tile
    cx, cy = min(max(u, r), 1 - r), min(max(v, r), 1 - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
        return (0, 0, 0, 0)  # outside the rounded tile: transparent
    blue = (0xC8, 0x6A, 0x1E, 0xFF)  # B, G, R, A: a deep blue
    white = (0xFF, 0xFF, 0xFF, 0xFF)
    # The board: an outlined bar along the bottom.
    if 0.70 <= v <= 0.84 and 0.18 <= u <= 0.82:
        inner = 0.74 <= v <= 0.80 and 0.22 <= u <= 0.78
        return blue if inner and n >= 32 else white
    # The arrow: a shaft and a triangular head pointing up.
    if 0.40 <= v <= 0.66 and abs(u - 0.5) <= 0.08:
        return white
    if 0.14 <= v < 0.40 and abs(u - 0.5) <= (v - 0.14) * 1.05:
        return white
    return blue


def image(n):
    rows = []
    for y in range(n - 1, -1, -1):  # bottom-up, as bitmaps are stored
        rows.append(b"".join(bytes(pixel(x, y, n)) for x in range(n)))
    xor = b"".join(rows)
    stride = ((n + 31) // 32) * 4
    and_mask = bytearray()
    for y in range(n - 1, -1, -1):
        bits = bytearray(stride)
        for x in range(n):
            if pixel(x, y, n)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        and_mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(and_mask),
                         0, 0, 0, 0)
    return header + xor + bytes(and_mask)


def main(path):
    sizes = [16, 32, 48]
    images = [image(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
