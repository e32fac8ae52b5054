"""PNG encoding shared by the texture tools: 8-bit RGB or RGBA, no filter, zlib level 9.

The output depends only on the pixels, so a tool run twice writes the same bytes.
"""
import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(width, height, rows, channels=4):
    """rows: `height` sequences of `width` pixels, each `channels` integers in 0..255 (3 or 4)."""
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for pixel in row:
            raw.extend(pixel)
    colour_type = 6 if channels == 4 else 2
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _chunk(b"IEND", b""))


def unit_to_byte(value):
    """A colour value in 0..1 as a byte, rounded and clamped."""
    return max(0, min(255, int(round(value * 255))))
