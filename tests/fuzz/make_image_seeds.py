#!/usr/bin/env python3
"""Writes the image fuzzer's seed files into corpus/image/: tiny PNGs and BMPs in the
variants the decoder meets (RGBA, palette with transparency, 16-bit grey interlaced; 24-bit,
32-bit, top-down, 8-bit palette and 16-bit bit-field BMPs). Run once; the output is kept."""
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "image")


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, depth, colour, rows, extra=b"", interlace=0):
    header = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def adam7_rows(pixel_rows, width, height, bytes_per_pixel):
    """The rows of the seven interlace passes, in order (pixel_rows: one bytes object per row)."""
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
    rows = []
    for x0, y0, dx, dy in passes:
        for y in range(y0, height, dy):
            row = b"".join(pixel_rows[y][x * bytes_per_pixel:(x + 1) * bytes_per_pixel] for x in range(x0, width, dx))
            if row:
                rows.append(row)
    return rows


def bmp(width, height, bits, rows_top_first, compression=0, masks=b"", palette=b""):
    row_bytes = (width * bits + 31) // 32 * 4
    top_down = height < 0
    rows = rows_top_first if top_down else list(reversed(rows_top_first))
    pixels = b"".join(r + b"\0" * (row_bytes - len(r)) for r in rows)
    offset = 14 + 40 + len(masks) + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels), 2835, 2835,
                       len(palette) // 4, 0)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + masks + palette + pixels


def main():
    os.makedirs(OUT, exist_ok=True)
    files = {}
    rgba = [bytes([255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0]), bytes([255, 255, 255, 255, 9, 9, 9, 255, 0, 0, 0, 255])]
    files["rgba_3x2.png"] = png(3, 2, 8, 6, rgba)
    palette = chunk(b"PLTE", bytes([255, 0, 0, 0, 255, 0, 0, 0, 255])) + chunk(b"tRNS", bytes([255, 0]))
    files["palette_4x2.png"] = png(4, 2, 2, 3, [bytes([0b00011011]), bytes([0b10010000])], palette)
    grey16 = [bytes(sum(([y * 40, x * 30] for x in range(5)), [])) for y in range(5)]
    files["grey16_interlaced_5x5.png"] = png(5, 5, 16, 0, adam7_rows(grey16, 5, 5, 2), interlace=1)

    bgr = [bytes([0, 0, 255, 0, 255, 0, 255, 0, 0]), bytes([255, 255, 255, 9, 9, 9, 0, 0, 0])]
    files["rgb24_3x2.bmp"] = bmp(3, 2, 24, bgr)
    files["rgb24_top_down_3x2.bmp"] = bmp(3, -2, 24, bgr)
    bgra = [bytes([0, 0, 255, 255, 0, 255, 0, 128, 255, 0, 0, 0]), bytes([255, 255, 255, 255, 9, 9, 9, 255, 0, 0, 0, 255])]
    files["rgba32_3x2.bmp"] = bmp(3, 2, 32, bgra)
    files["palette8_3x2.bmp"] = bmp(3, 2, 8, [bytes([0, 1, 2]), bytes([2, 1, 0])],
                                    palette=bytes([0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0]))
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    files["bitfields565_2x2.bmp"] = bmp(2, 2, 16, [struct.pack("<HH", 0xF800, 0x07E0), struct.pack("<HH", 0x001F, 0xFFFF)],
                                        compression=3, masks=masks)
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
