#!/usr/bin/env python3
"""Draws the application icon (a page with a red cross) as 16-colour PNGs of
16, 24, 32 and 64 pixels. Run from this folder; the PNGs are committed."""
import struct
import zlib

PALETTE = [
    (0, 0, 0),        # 0 transparent
    (255, 255, 255),  # 1 page
    (64, 72, 88),     # 2 outline
    (176, 186, 200),  # 3 text lines
    (206, 32, 41),    # 4 cross
    (214, 220, 230),  # 5 folded corner
]


def colour(u, v, size):
    edge = 1.2 / size
    left, right, top, bottom, fold = 0.16, 0.80, 0.06, 0.94, 0.22
    if not (left <= u <= right and top <= v <= bottom):
        return 0
    corner = right - fold
    if u > corner and v < top + (u - corner):
        return 0  # cut off by the fold
    cx, cy, arm, half = 0.60, 0.70, 0.19, 0.065
    in_cross = (abs(u - cx) <= half and abs(v - cy) <= arm) or (abs(v - cy) <= half and abs(u - cx) <= arm)
    if in_cross:
        return 4
    on_fold_line = u > corner and abs(v - (top + (u - corner))) <= edge
    if on_fold_line or u - left <= edge or right - u <= edge or v - top <= edge or bottom - v <= edge:
        return 2
    if u > corner and v < top + fold and v > top + (u - corner):
        return 5
    for line in (0.30, 0.40, 0.50):
        if abs(v - line) <= max(edge * 0.6, 0.025) and left + 0.1 <= u <= right - 0.16:
            return 3
    return 1


def png(size):
    rows = b""
    for y in range(size):
        pixels = [colour((x + 0.5) / size, (y + 0.5) / size, size) for x in range(size)]
        pixels += [0] * (size % 2)
        rows += b"\0" + bytes((pixels[i] << 4) | pixels[i + 1] for i in range(0, len(pixels), 2))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    palette = b"".join(bytes(c) for c in PALETTE) + bytes(3 * (16 - len(PALETTE)))
    alpha = bytes([0] + [255] * (len(PALETTE) - 1))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0)) +
            chunk(b"PLTE", palette) + chunk(b"tRNS", alpha) + chunk(b"IDAT", zlib.compress(rows, 9)) +
            chunk(b"IEND", b""))


for size in (16, 24, 32, 64):
    with open(f"OrvanCommonClassesTest-{size}.png", "wb") as out:
        out.write(png(size))
