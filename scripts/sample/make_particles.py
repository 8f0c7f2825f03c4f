#!/usr/bin/env python3
# Draws the sample project's particle images into examples/sample/media/:
# snowflakes (snow_0..3), raindrops (rain_0..2) and fireflies (firefly_0..3,
# horizontal strips of square animation frames). Standard library only.
# Usage: python3 scripts/sample/make_particles.py [OUTPUT_FOLDER]
import math
import os
import struct
import sys
import zlib


def png(path, width, height, pixel):
    """Writes an 8-bit RGBA PNG; pixel(x, y) gives (r, g, b, a)."""
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width))
                    for y in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def clamp(v):
    return max(0, min(255, int(round(v))))


def soft_disc(size, colour, x, y, cx=None, cy=None):
    """A disc fading out towards its rim."""
    cx = (size - 1) / 2 if cx is None else cx
    cy = (size - 1) / 2 if cy is None else cy
    r = math.hypot(x - cx, y - cy) / (size / 2)
    return colour + (clamp(255 * (1 - r * r)),) if r < 1 else (0, 0, 0, 0)


def snowflake(size):
    return lambda x, y: soft_disc(size, (255, 255, 255), x, y)


def raindrop(length):
    def pixel(x, y):
        fade = y / (length - 1)  # the tail above is fainter than the head
        edge = 1.0 if x == 1 else 0.45
        return (200, 220, 255, clamp(200 * fade * edge))
    return pixel


def firefly(size, frames):
    # Each frame glows a little brighter, then dimmer again.
    def pixel(x, y):
        frame = x // size
        glow = 0.55 + 0.45 * math.sin(math.pi * frame / (frames - 1))
        r, g, b, a = soft_disc(size, (230, 255, 120), x % size, y)
        return (r, g, b, clamp(a * glow))
    return pixel


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "..", "examples", "sample", "media")
    os.makedirs(out, exist_ok=True)
    for i, size in enumerate([6, 8, 11, 14]):
        png(os.path.join(out, f"snow_{i}.png"), size, size, snowflake(size))
    for i, length in enumerate([14, 20, 26]):
        png(os.path.join(out, f"rain_{i}.png"), 3, length, raindrop(length))
    frames = 4
    for i, size in enumerate([8, 10, 12, 16]):
        png(os.path.join(out, f"firefly_{i}.png"), size * frames, size, firefly(size, frames))


main()
