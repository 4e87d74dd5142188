#!/usr/bin/env python3
"""Turns a 24-bit bitmap file (as WindowProbe.exe captures the screen) into a PNG.

Usage: bmp_to_png.py CAPTURE.bmp OUT.png
"""
import struct
import sys
import zlib


def read_bitmap(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        sys.exit(f"{path}: not a bitmap file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24 or height <= 0:
        sys.exit(f"{path}: only bottom-up 24-bit bitmaps are read ({bits} bits a pixel)")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):
        bgr = data[offset + y * stride:offset + y * stride + width * 3]
        rgb = bytearray(len(bgr))
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(bytes(rgb))
    return width, rows


def write_png(path, width, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, len(rows), 8, 2, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    width, rows = read_bitmap(sys.argv[1])
    write_png(sys.argv[2], width, rows)


main()
