#!/usr/bin/env python3
"""Draws the application icon (a red heart with a white "K") and writes it as a .ico file.

    python3 tools/make_icon.py app/kevu.ico

Plain Python: each size is rendered with 4x4 supersampling into 32-bit BGRA images.
"""
import struct
import sys

SIZES = (16, 24, 32, 48, 64)
SAMPLES = 4


def in_heart(x, y):
    # The classic heart curve, x and y in about [-1.3, 1.3], y pointing up.
    a = x * x + y * y - 1.0
    return a * a * a - x * x * y * y * y <= 0.0


def near_segment(px, py, ax, ay, bx, by, half_width):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    cx, cy = ax + t * dx - px, ay + t * dy - py
    return cx * cx + cy * cy <= half_width * half_width


def in_letter_k(x, y):
    w = 0.17
    return (near_segment(x, y, -0.38, 0.62, -0.38, -0.72, w)
            or near_segment(x, y, -0.30, -0.12, 0.42, 0.62, w)
            or near_segment(x, y, -0.12, 0.02, 0.46, -0.72, w))


def pixel(size, col, row):
    """BGRA of one pixel, row 0 at the top."""
    heart = letter = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            u = (col + (sx + 0.5) / SAMPLES) / size
            v = (row + (sy + 0.5) / SAMPLES) / size
            x = (u - 0.5) * 2.6
            y = (0.54 - v) * 2.6
            if in_heart(x, y):
                heart += 1
                if in_letter_k(x * 1.05, y * 1.05 + 0.12):
                    letter += 1
    total = SAMPLES * SAMPLES
    if heart == 0:
        return (0, 0, 0, 0)
    # Red heart, darker towards the bottom right; the letter is white.
    shade = 1.0 - 0.35 * (col + row) / (2.0 * size)
    red = (int(40 * shade), int(30 * shade), int(225 * shade))
    f = letter / heart
    b, g, r = (int(c * (1 - f) + 255 * f) for c in red)
    return (b, g, r, int(255 * heart / total))


def image(size):
    rows = []
    for row in range(size - 1, -1, -1):  # bottom-up, as in a BMP
        rows.append(b"".join(struct.pack("<4B", *pixel(size, col, row)) for col in range(size)))
    xor = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    and_mask = b"\0" * (mask_stride * size)  # transparency comes from the alpha channel
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main(out):
    images = [image(s) for s in SIZES]
    offset = 6 + 16 * len(SIZES)
    directory = b""
    for s, data in zip(SIZES, images):
        directory += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(SIZES)) + directory + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "app/kevu.ico")
