#!/usr/bin/env python3
"""Draws the two decorative pictures of the main window (a lit sphere and a grey cut)."""
import math
import struct
import sys
import zlib
from pathlib import Path


def png(path, width, height, pixel):
    rows = b"".join(
        b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
    Path(path).write_bytes(data)


def sphere(x, y, w=160, h=120):
    u, v = (x - w / 2) / 48, (y - h / 2) / 48
    d = u * u + v * v
    if d >= 1:
        t = y / h
        return (int(20 + 30 * t), int(30 + 40 * t), int(70 + 60 * t))
    n = (u, v, math.sqrt(1 - d))
    l = (-0.5, -0.6, 0.62)
    diff = max(0.0, -(n[0] * l[0] + n[1] * l[1]) + n[2] * l[2])
    reflet = diff ** 24
    return tuple(min(255, int(c * (0.25 + 0.75 * diff) + 255 * reflet)) for c in (230, 170, 60))


def coupe(x, y, w=160, h=120):
    u, v = (x - w / 2) / 55, (y - h / 2) / 42
    r = math.sqrt(u * u + v * v)
    if r > 1:
        g = 12
    elif r > 0.9:
        g = 200
    else:
        g = 90 + int(40 * math.sin(9 * u) * math.cos(7 * v))
        if (u - 0.3) ** 2 + (v + 0.1) ** 2 < 0.05:
            g = 235
    g += (x * 7 + y * 13) % 9
    return (g, g, g)


if __name__ == "__main__":
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    png(out / "sphere.png", 160, 120, sphere)
    png(out / "coupe.png", 160, 120, coupe)
