"""Reads the pixels of a PNG: 8-bit RGB or RGBA, not interlaced (what Chromium's
screenshots are), with the standard library's zlib.

    picture = read_png(open("shot.png", "rb").read())
    r, g, b, a = picture.pixel(picture.width // 2, picture.height // 2)
"""

import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {2: 3, 6: 4}  # samples per pixel of the colour types read here: RGB, RGBA


class Picture:
    def __init__(self, width, height, channels, rows):
        self.width, self.height, self.channels, self.rows = width, height, channels, rows

    def pixel(self, x, y):
        """(r, g, b, a) of the pixel at column x, row y; a is 255 in an RGB picture."""
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"({x}, {y}) is outside the {self.width}x{self.height} picture")
        at = x * self.channels
        values = tuple(self.rows[y][at:at + self.channels])
        return values if self.channels == 4 else values + (255,)


def read_png(data):
    if data[:8] != SIGNATURE:
        raise ValueError("not a PNG")
    at, header, compressed = 8, None, bytearray()
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        at += 12 + length  # length, type, body, CRC
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
        elif kind == b"IEND":
            break
    if header is None:
        raise ValueError("the PNG has no header")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in CHANNELS or interlace:
        raise ValueError(f"unsupported PNG: depth {depth}, colour type {colour}, "
                         f"interlace {interlace}")
    step = CHANNELS[colour]
    return Picture(width, height, step, list(unfilter(zlib.decompress(compressed),
                                                      width * step, height, step)))


def unfilter(data, stride, height, step):
    """Each row of the inflated image data with its PNG filter undone."""
    prior = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = data[start], bytearray(data[start + 1:start + 1 + stride])
        if len(row) < stride:
            raise ValueError("the PNG is cut short")
        if kind == 1:  # Sub: plus the byte one pixel to the left
            for i in range(step, stride):
                row[i] = (row[i] + row[i - step]) & 255
        elif kind == 2:  # Up: plus the byte above
            for i in range(stride):
                row[i] = (row[i] + prior[i]) & 255
        elif kind == 3:  # Average of left and above
            for i in range(stride):
                left = row[i - step] if i >= step else 0
                row[i] = (row[i] + ((left + prior[i]) >> 1)) & 255
        elif kind == 4:  # Paeth: whichever of left, above, upper-left is nearest the estimate
            for i in range(stride):
                a = row[i - step] if i >= step else 0
                b = prior[i]
                c = prior[i - step] if i >= step else 0
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        elif kind != 0:
            raise ValueError(f"unknown PNG row filter {kind}")
        yield row
        prior = row
