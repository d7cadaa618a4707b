#!/usr/bin/env python3
"""Draws the page's icons from the sprite sheet: the first walking frame (the 128 x 136 cell at
the sheet's top-left corner), trimmed to her pixels, enlarged by whole pixels and centred on
black, as square PNG files.

    make_icons.py SHEET.bmp OUT_DIR SIZE...      writes OUT_DIR/icon-SIZE.png for each SIZE
"""
import os
import struct
import sys
import zlib

CELL = (0, 0, 128, 136)  # x, y, width, height of the frame in the sheet


def read_sheet(path):
    """The sheet's pixels as rows of (r, g, b), top row first. Takes 4- and 8-bit BMP files."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:2] != b'BM' or len(data) < 54:
        raise ValueError('not a BMP file')
    offset, = struct.unpack_from('<I', data, 10)
    header, width, height, _, bits, compression = struct.unpack_from('<IiiHHI', data, 14)
    if bits not in (4, 8) or compression != 0 or width <= 0 or height == 0:
        raise ValueError('not an uncompressed 4- or 8-bit BMP')
    colours, = struct.unpack_from('<I', data, 46)
    colours = colours or 1 << bits
    palette = [tuple(data[14 + header + 4 * i + c] for c in (2, 1, 0)) for i in range(colours)]
    stride = (width * bits + 31) // 32 * 4
    rows = []
    for row in range(abs(height)):
        start = offset + (abs(height) - 1 - row if height > 0 else row) * stride
        line = data[start:start + stride]
        if bits == 8:
            indices = line[:width]
        else:
            indices = [line[x // 2] >> 4 if x % 2 == 0 else line[x // 2] & 15 for x in range(width)]
        rows.append([palette[i] for i in indices])
    return rows


def trimmed_frame(rows):
    x0, y0, w, h = CELL
    cell = [row[x0:x0 + w] for row in rows[y0:y0 + h]]
    lit = [(x, y) for y, row in enumerate(cell) for x, p in enumerate(row) if p != (0, 0, 0)]
    if not lit:
        raise ValueError('the frame is empty')
    left, right = min(x for x, _ in lit), max(x for x, _ in lit)
    top, bottom = min(y for _, y in lit), max(y for _, y in lit)
    return [row[left:right + 1] for row in cell[top:bottom + 1]]


def shrunk(frame, factor):
    """The frame with each factor x factor block of pixels (fewer at its edges) averaged into one."""
    fh, fw = len(frame), len(frame[0])
    out = []
    for y in range(0, fh, factor):
        row = []
        for x in range(0, fw, factor):
            block = [frame[j][i] for j in range(y, min(y + factor, fh)) for i in range(x, min(x + factor, fw))]
            row.append(tuple(sum(p[c] for p in block) // len(block) for c in range(3)))
        out.append(row)
    return out


def icon(frame, size):
    """The frame enlarged by the largest whole factor that leaves a tenth of the icon free around
    her (at least 1), or for an icon too small for her, shrunk by the smallest whole factor that
    does, centred on a black square."""
    room = int(size * 0.8)
    if max(len(frame), len(frame[0])) > room:
        frame = shrunk(frame, -(-max(len(frame), len(frame[0])) // room))
    fh, fw = len(frame), len(frame[0])
    scale = max(1, room // max(fw, fh))
    left, top = (size - fw * scale) // 2, (size - fh * scale) // 2
    out = [[(0, 0, 0)] * size for _ in range(size)]
    for y in range(fh * scale):
        for x in range(fw * scale):
            if 0 <= top + y < size and 0 <= left + x < size:
                out[top + y][left + x] = frame[y // scale][x // scale]
    return out


def png(rows):
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    height, width = len(rows), len(rows[0])
    raw = b''.join(b'\0' + bytes(c for p in row for c in p) for row in rows)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    if len(sys.argv) < 4 or not all(s.isdigit() and 16 <= int(s) <= 1024 for s in sys.argv[3:]):
        sys.exit(__doc__)
    try:
        frame = trimmed_frame(read_sheet(sys.argv[1]))
    except (OSError, ValueError, IndexError, struct.error) as error:
        sys.exit(f'make_icons.py: {sys.argv[1]}: {error}')
    for size in map(int, sys.argv[3:]):
        with open(os.path.join(sys.argv[2], f'icon-{size}.png'), 'wb') as f:
            f.write(png(icon(frame, size)))


if __name__ == '__main__':
    main()
