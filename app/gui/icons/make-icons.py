#!/usr/bin/env python3
"""Draws the application icon (a page with a red cross) in 16 colours at 16,
24, 32 and 64 pixels: as PNGs for the Qt dialog, and as one Windows icon file
holding all four for the Win32 dialog. Run from this folder; the files are
committed."""
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


def pixels(size):
    return [[colour((x + 0.5) / size, (y + 0.5) / size, size) for x in range(size)] for y in range(size)]


def png(size):
    rows = b""
    for row in pixels(size):
        row = row + [0] * (size % 2)
        rows += b"\0" + bytes((row[i] << 4) | row[i + 1] for i in range(0, len(row), 2))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    palette = b"".join(bytes(c) for c in PALETTE) + bytes(3 * (16 - len(PALETTE)))
    alpha = bytes([0] + [255] * (len(PALETTE) - 1))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0)) +
            chunk(b"PLTE", palette) + chunk(b"tRNS", alpha) + chunk(b"IDAT", zlib.compress(rows, 9)) +
            chunk(b"IEND", b""))


def padded(row_bytes):
    return row_bytes + bytes(-len(row_bytes) % 4)  # bitmap rows end on 4-byte boundaries


def icon_image(size):
    """One icon image: a 4-bit bitmap, bottom row first, and the mask that makes colour 0 transparent."""
    colours, mask = b"", b""
    for row in reversed(pixels(size)):
        row = row + [0] * (size % 2)
        colours += padded(bytes((row[i] << 4) | row[i + 1] for i in range(0, len(row), 2)))
        bits = "".join("1" if p == 0 else "0" for p in row[:size]) + "0" * (-size % 8)
        mask += padded(bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8)))
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(colours) + len(mask), 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE) + bytes(4 * (16 - len(PALETTE)))
    return header + palette + colours + mask


def ico(sizes):
    images = [icon_image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = len(out) + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


SIZES = (16, 24, 32, 64)
for size in SIZES:
    with open(f"OrvanCommonClassesTest-{size}.png", "wb") as out:
        out.write(png(size))
with open("OrvanCommonClassesTest.ico", "wb") as out:
    out.write(ico(SIZES))
