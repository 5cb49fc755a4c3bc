#!/usr/bin/env python3
"""Writes the application icon: make-ico.py CONVERT PNG OUTPUT.ico

Each image of the .ico is an uncompressed 24-bit bitmap with an all-opaque
mask: the PNG's own 128x128 pixels, and 48, 32 and 16 px scaled down from it
by ImageMagick (the CONVERT program) for Explorer's smaller views.
"""
import struct
import subprocess
import sys

SIZES = [16, 32, 48, 128]


def rgb_pixels(convert, png, size):
    resize = [] if size == 128 else ["-resize", f"{size}x{size}!"]
    data = subprocess.run([convert, png, *resize, "-depth", "8", "rgb:-"],
                          check=True, stdout=subprocess.PIPE).stdout
    if len(data) != size * size * 3:
        sys.exit(f"make-ico.py: {png} gives {len(data)} bytes at {size} px, not {size * size * 3}")
    return data


def bitmap(rgb, size):
    row_bytes = (size * 3 + 3) // 4 * 4
    mask_row_bytes = (size + 31) // 32 * 4
    rows = []
    for y in reversed(range(size)):  # bottom-up
        row = bytearray()
        for x in range(size):
            r, g, b = rgb[(y * size + x) * 3:(y * size + x) * 3 + 3]
            row += bytes((b, g, r))
        rows.append(bytes(row) + b"\0" * (row_bytes - len(row)))
    pixels = b"".join(rows)
    mask = b"\0" * (mask_row_bytes * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, len(pixels) + len(mask),
                         0, 0, 0, 0)
    return header + pixels + mask


def main():
    convert, png, output = sys.argv[1:4]
    images = [bitmap(rgb_pixels(convert, png, size), size) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(image), offset)
        offset += len(image)
    with open(output, "wb") as out:
        out.write(directory + b"".join(images))


if __name__ == "__main__":
    main()
