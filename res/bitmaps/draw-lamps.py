#!/usr/bin/env python3
"""Draws the two lamps of the COM port setting dialog: 132.png (green, the
port is usable) and 134.png (gray, it is not). Each is 16 x 16 pixels, 4 bits
per pixel in the standard 16-colour palette: a round lamp with a black
outline, a dark gray rim and a white glint at the upper left, on white.

Run it from this folder: python3 draw-lamps.py
"""
import struct
import zlib

PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_GRAY, BRIGHT_GREEN, WHITE = 0, 8, 10, 15

# One row per line: '.' ground, 'o' outline, 'r' rim, 'b' body, 'g' glint.
LAMP = [
    "................",
    ".....oooooo.....",
    "...oorrrrrroo...",
    "..orrrrrrrrrro..",
    "..orrbbbbbbrro..",
    ".orrbggbbbbbrro.",
    ".orrbgbbbbbbrro.",
    ".orrbbbbbbbbrro.",
    ".orrbbbbbbbbrro.",
    ".orrbbbbbbbbrro.",
    ".orrbbbbbbbbrro.",
    "..orrbbbbbbrro..",
    "..orrrrrrrrrro..",
    "...oorrrrrroo...",
    ".....oooooo.....",
    "................",
]


def png(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    rows = b""
    for row in pixels:
        rows += b"\x00" + bytes((row[i] << 4) | row[i + 1] for i in range(0, 16, 2))
    header = struct.pack(">IIBBBBB", 16, 16, 4, 3, 0, 0, 0)  # 4-bit palette image
    palette = b"".join(bytes(colour) for colour in PALETTE)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"PLTE", palette)
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def draw(body):
    colours = {".": WHITE, "o": BLACK, "r": DARK_GRAY, "b": body, "g": WHITE}
    return [[colours[c] for c in line] for line in LAMP]


for number, body in ((132, BRIGHT_GREEN), (134, DARK_GRAY)):
    with open(f"{number}.png", "wb") as image:
        image.write(png(draw(body)))
