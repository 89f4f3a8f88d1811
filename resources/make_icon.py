#!/usr/bin/env python3
"""Draws Quillbay's application icon (a quill over a bay of waves) into an .ico.

The icon is generated rather than drawn by hand so that it can be reviewed and
changed as code. Run: python3 make_icon.py quillbay.ico
"""
import math
import struct
import sys

SIZES = (16, 24, 32, 48, 64)
BACKGROUND = (0x1F, 0x5F, 0x8B)   # deep bay blue
WAVE = (0x7F, 0xC8, 0xE8)
QUILL = (0xFF, 0xFF, 0xFF)


def coverage(size, inside, samples=4):
    """Anti-aliased coverage grid of a shape given as inside(x, y) in unit space."""
    grid = []
    for py in range(size):
        row = []
        for px in range(size):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    hits += inside(x, y)
            row.append(hits / (samples * samples))
        grid.append(row)
    return grid


def rounded_square(x, y, r=0.2):
    dx = max(r - x, 0, x - (1 - r))
    dy = max(r - y, 0, y - (1 - r))
    return dx * dx + dy * dy <= r * r


def wave(x, y):
    crest = 0.78 + 0.05 * math.sin(x * 2 * math.pi * 1.5)
    return rounded_square(x, y) and y >= crest


def quill(x, y):
    # A feather: an ellipse leaning 45 degrees, with its shaft reaching the wave.
    cx, cy = 0.55, 0.42
    u = (x - cx) * math.cos(math.radians(45)) + (y - cy) * math.sin(math.radians(45))
    v = -(x - cx) * math.sin(math.radians(45)) + (y - cy) * math.cos(math.radians(45))
    vane = (u / 0.34) ** 2 + (v / 0.11) ** 2 <= 1 and u < 0.3
    shaft = abs(v) <= 0.022 and 0.0 <= u <= 0.46
    return vane or shaft


def image(size):
    layers = [(BACKGROUND, coverage(size, rounded_square)),
              (WAVE, coverage(size, wave)),
              (QUILL, coverage(size, quill))]
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for color, grid in layers:
                c = grid[py][px]
                r = color[0] * c + r * (1 - c)
                g = color[1] * c + g * (1 - c)
                b = color[2] * c + b * (1 - c)
                a = c + a * (1 - c)
            if a > 0:
                # layers above were blended over premultiplied values; undo for straight alpha
                r, g, b = r / a if a < 1 else r, g / a if a < 1 else g, b / a if a < 1 else b
            row.append((int(b + 0.5), int(g + 0.5), int(r + 0.5), int(a * 255 + 0.5)))
        pixels.append(row)
    return pixels


def dib(size):
    pixels = image(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes(p) for row in reversed(pixels) for p in row)
    mask_stride = ((size + 31) // 32) * 4
    and_mask = bytes(mask_stride * size)
    return header + xor + and_mask


def main(path):
    images = [dib(s) for s in SIZES]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(SIZES, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'quillbay.ico')
