#!/usr/bin/env python3
"""Draws the program's icon, a printer with a page coming out of it, as an
.ico file with three images: 16, 32 and 48 pixels, 32-bit BGRA."""
import struct, sys

def pixel(size, x, y):
    u, v = x / size, y / size            # 0..1, y downwards
    if 0.25 <= u <= 0.75 and 0.06 <= v <= 0.55:          # the page
        if 0.33 <= u <= 0.67 and int(v * size) % max(2, size // 8) == 0 and v > 0.15:
            return (40, 40, 200, 255)                    # red text lines (BGRA)
        return (255, 255, 255, 255)
    if 0.08 <= u <= 0.92 and 0.40 <= v <= 0.82:          # the printer's body
        if 0.70 <= u <= 0.82 and 0.48 <= v <= 0.54:
            return (60, 200, 60, 255)                    # green lamp
        return (90, 90, 90, 255)
    if 0.2 <= u <= 0.8 and 0.82 < v <= 0.92:             # paper tray
        return (150, 150, 150, 255)
    return (0, 0, 0, 0)

def image(size):
    rows = []
    for y in range(size - 1, -1, -1):                    # bottom-up DIB
        rows.append(b"".join(bytes(pixel(size, x, y)) for x in range(size)))
    mask_row = ((size + 31) // 32) * 4
    mask = b"".join(
        bytes(
            sum((0x80 >> b) for b in range(8) if 8 * i + b < size and pixel(size, 8 * i + b, y)[3] == 0)
            for i in range(mask_row))
        for y in range(size - 1, -1, -1))
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + mask

def main(out):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    open(out, "wb").write(data + b"".join(images))

if __name__ == "__main__":
    main(sys.argv[1])
