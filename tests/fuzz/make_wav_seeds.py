#!/usr/bin/env python3
"""Writes the WAV fuzzer's seed files into corpus/wav/: tiny RIFF WAVE files in the shapes the
loader meets (8-bit mono, 16-bit stereo, a format chunk without cbSize, other chunks and a LIST
before the format, an odd-sized data chunk with its pad byte). Run once; the output is kept."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "wav")


def chunk(kind, data):
    return kind + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def fmt(tag, channels, rate, bits, cb_size=True):
    align = channels * bits // 8
    fields = struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)
    return chunk(b"fmt ", fields + (struct.pack("<H", 0) if cb_size else b""))


def wave(*chunks):
    return chunk(b"RIFF", b"WAVE" + b"".join(chunks))


def main():
    os.makedirs(OUT, exist_ok=True)
    files = {
        "pcm8_mono.wav": wave(fmt(1, 1, 11025, 8), chunk(b"data", bytes([128, 160, 192, 160, 128, 96, 64, 96]))),
        "pcm16_stereo.wav": wave(fmt(1, 2, 44100, 16), chunk(b"data", struct.pack("<4h", 1000, -1000, 2000, -2000))),
        "no_cbsize_odd_data.wav": wave(fmt(1, 1, 22050, 8, cb_size=False), chunk(b"data", b"\x80\x90\xa0\xb0\xc0")),
        "extra_chunks.wav": wave(chunk(b"LIST", b"INFOISFT" + struct.pack("<I", 4) + b"fuzz"),
                                 chunk(b"junk", b"odd"), fmt(1, 1, 11025, 8), chunk(b"fact", struct.pack("<I", 4)),
                                 chunk(b"data", b"\x70\x80\x90\x80")),
    }
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
