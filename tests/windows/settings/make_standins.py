#!/usr/bin/python3
"""Writes placeholder resource files into OUT_DIR for those missing from RESOURCE_DIR, so the
resource script links before the real artwork and sounds exist: a black 1232x904 16-colour
sheet and short silent 22 kHz stereo WAVEs.

Usage: make_standins.py RESOURCE_DIR OUT_DIR"""
import os
import struct
import sys


def sheet():
    width, height = 1232, 904
    stride = (width * 4 + 31) // 32 * 4
    palette = b"".join(struct.pack("<BBBB", i * 17, i * 17, i * 17, 0) for i in range(16))
    bits = bytes(stride * height)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(bits), 0, 0, 16, 0)
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(bits), 0, 0, offset) + info + palette + bits


def wave(samples):
    data = bytes(samples * 4)
    fmt = struct.pack("<HHIIHH", 1, 2, 22050, 88200, 4, 16)
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " + struct.pack("<I", 16) + fmt
            + b"data" + struct.pack("<I", len(data)) + data)


def main(resource_dir, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    files = {"sheet.bmp": sheet, "fall_end.wav": lambda: wave(23680),
             "dream_start.wav": lambda: wave(28800), "fall_start.wav": lambda: wave(20864)}
    for name, make in files.items():
        target = os.path.join(out_dir, name)
        if os.path.exists(os.path.join(resource_dir, name)):
            if os.path.exists(target):
                os.remove(target)  # the real file has arrived
        elif not os.path.exists(target):
            with open(target, "wb") as f:
                f.write(make())


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
