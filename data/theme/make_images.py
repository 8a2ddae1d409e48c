#!/usr/bin/env python3
"""Draws the theme's own pictures as PNG files under image/ (run from this folder).

The pictures are plain drawings made here; the build packs everything under image/ into
Themes/default.zip.
"""
import struct
import zlib


def write_png(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b, a)."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def unload_picture(x, y):
    """A grey frame holding a sun and a hill: the picture that could not be shown."""
    size = 100
    background = (236, 236, 236, 255)
    frame = (176, 176, 176, 255)
    hill = (150, 160, 170, 255)
    sun = (196, 196, 196, 255)
    if x < 2 or y < 2 or x >= size - 2 or y >= size - 2:
        return frame
    if (x - 68) ** 2 + (y - 32) ** 2 <= 10 ** 2:
        return sun
    # two hills: a large one on the left and a smaller one on the right
    if y >= 78 - (30 - abs(x - 36)) and y < size - 14 and x >= 14 and x < size - 14:
        return hill
    if y >= 78 - (18 - abs(x - 70)) and y < size - 14 and x >= 14 and x < size - 14:
        return hill
    return background


if __name__ == "__main__":
    write_png("image/content/unload_picture.png", 100, 100, unload_picture)
