#!/usr/bin/env python3
"""Writes one of our own program icons (32x32 and 16x16, 32-bit colour).

    make_icon.py launcher|viewer OUT.ico

launcher: a blue package with a white arrow down (unpacks and starts);
viewer: a white page with grey lines and a green tick (licence agreement).
"""
import struct
import sys


def pixel_launcher(x, y, n):
    s = n / 32.0
    X, Y = x / s, y / s
    if 4 <= X < 28 and 6 <= Y < 28:
        if 14 <= X < 18 and 9 <= Y < 19:
            return (255, 255, 255, 255)
        if 19 <= Y < 25 and abs(X - 16) < (25 - Y):
            return (255, 255, 255, 255)
        edge = X < 5 or X >= 27 or Y < 7 or Y >= 27
        return (40, 70, 140, 255) if edge else (60, 110, 200, 255)
    return (0, 0, 0, 0)


def pixel_viewer(x, y, n):
    s = n / 32.0
    X, Y = x / s, y / s
    if 6 <= X < 26 and 3 <= Y < 29:
        if abs((Y - 24) - (X - 18)) < 1.5 and 14 <= X <= 18 and Y >= 20:
            return (30, 160, 60, 255)
        if abs((Y - 24) + (X - 18)) < 1.5 and 18 <= X <= 24 and Y >= 16:
            return (30, 160, 60, 255)
        if 9 <= X < 23 and int(Y) in (7, 10, 13, 16):
            return (150, 150, 150, 255)
        edge = X < 7 or X >= 25 or Y < 4 or Y >= 28
        return (90, 90, 90, 255) if edge else (255, 255, 255, 255)
    return (0, 0, 0, 0)


def image(draw, n):
    rows = []
    for y in range(n - 1, -1, -1):  # bottom-up
        row = b"".join(struct.pack("BBBB", b, g, r, a)
                       for r, g, b, a in (draw(x, y, n) for x in range(n)))
        rows.append(row)
    mask_row = b"\0" * (((n + 31) // 32) * 4)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + mask_row * n


def main(argv):
    if len(argv) != 3 or argv[1] not in ("launcher", "viewer"):
        sys.exit(__doc__)
    draw = pixel_launcher if argv[1] == "launcher" else pixel_viewer
    images = [image(draw, n) for n in (32, 16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(argv[2], "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv)
