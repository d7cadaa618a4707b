#!/usr/bin/env python3
"""Finds the figures on a screenshot: how much of it is not black and where the separate
non-black shapes are. Prints, one per line:
  size W H
  nonblack N
  blob X0 Y0 X1 Y1 PIXELS        (one per shape; shapes closer than --gap pixels are merged)
  region X0 Y0 X1 Y1 PIXELS      (for --region, the non-black pixels inside it)
  blocks N UNEVEN DRAWN          (for --blocks N: of the N x N squares on the N-pixel grid that
                                  hold a non-black pixel, how many are not one colour)
Usage: shot_stats.py IMAGE [--gap 24] [--region X0,Y0,X1,Y1]... [--blocks N]
"""
import re
import subprocess
import sys

CELL = 8


def read_ppm(path):
    data = subprocess.run(["convert", path, "-strip", "+set", "comment", "-depth", "8", "ppm:-"], check=True,
                          stdout=subprocess.PIPE).stdout
    # P6\nW H\n255\n<data>
    parts = data.split(maxsplit=4)
    width, height = int(parts[1]), int(parts[2])
    return width, height, parts[4][: width * height * 3]


def main():
    args = sys.argv[1:]
    if not args:
        sys.exit(__doc__)
    path = args.pop(0)
    gap = 24
    regions = []
    block = 0
    while args:
        opt = args.pop(0)
        if opt == "--gap":
            gap = int(args.pop(0))
        elif opt == "--blocks":
            block = int(args.pop(0))
        elif opt == "--region":
            regions.append([int(v) for v in args.pop(0).split(",")])
        else:
            sys.exit("unknown option " + opt)

    width, height, pixels = read_ppm(path)
    stride = width * 3
    cols = (width + CELL - 1) // CELL
    cells = {}
    region_counts = [0] * len(regions)
    total = 0
    run = re.compile(rb"[^\x00]+")
    for y in range(height):
        row = pixels[y * stride:(y + 1) * stride]
        if not row.strip(b"\0"):
            continue
        for m in run.finditer(row):
            # Byte runs to pixel runs: a pixel is non-black if any of its three bytes is.
            x0, x1 = m.start() // 3, (m.end() - 1) // 3
            n = x1 - x0 + 1
            total += n
            for cx in range(x0 // CELL, x1 // CELL + 1):
                key = (y // CELL) * cols + cx
                cells[key] = cells.get(key, 0) + min(x1, cx * CELL + CELL - 1) - max(x0, cx * CELL) + 1
            for i, (rx0, ry0, rx1, ry1) in enumerate(regions):
                if ry0 <= y < ry1:
                    lo, hi = max(x0, rx0), min(x1, rx1 - 1)
                    if hi >= lo:
                        region_counts[i] += hi - lo + 1

    # Connected cells, then merge shapes whose boxes come closer than the gap.
    seen = set()
    blobs = []
    for key in cells:
        if key in seen:
            continue
        stack = [key]
        seen.add(key)
        box = [width, height, 0, 0, 0]
        while stack:
            k = stack.pop()
            cy, cx = divmod(k, cols)
            box[0] = min(box[0], cx * CELL)
            box[1] = min(box[1], cy * CELL)
            box[2] = max(box[2], min(width, cx * CELL + CELL))
            box[3] = max(box[3], min(height, cy * CELL + CELL))
            box[4] += cells[k]
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    nx, ny = cx + dx, cy + dy
                    if 0 <= nx < cols:
                        nk = ny * cols + nx
                        if nk in cells and nk not in seen:
                            seen.add(nk)
                            stack.append(nk)
        blobs.append(box)
    merged = True
    while merged:
        merged = False
        for i in range(len(blobs)):
            for j in range(i + 1, len(blobs)):
                a, b = blobs[i], blobs[j]
                if (a[0] - gap < b[2] and b[0] - gap < a[2] and
                        a[1] - gap < b[3] and b[1] - gap < a[3]):
                    blobs[i] = [min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]),
                                max(a[3], b[3]), a[4] + b[4]]
                    del blobs[j]
                    merged = True
                    break
            if merged:
                break

    print("size", width, height)
    print("nonblack", total)
    for b in sorted(blobs, key=lambda b: (b[1], b[0])):
        print("blob", *b)
    for (rx0, ry0, rx1, ry1), n in zip(regions, region_counts):
        print("region", rx0, ry0, rx1, ry1, n)
    if block:
        print("blocks", block, *count_blocks(width, height, pixels, block))


def count_blocks(width, height, pixels, n):
    """Squares of n x n on the n-pixel grid with a non-black pixel; those not of one colour."""
    stride = width * 3
    uneven = drawn = 0
    for y0 in range(0, height - n + 1, n):
        rows = [pixels[(y0 + dy) * stride:(y0 + dy + 1) * stride] for dy in range(n)]
        if not any(r.strip(b"\0") for r in rows):
            continue
        for x0 in range(0, width - n + 1, n):
            squares = {r[x0 * 3:(x0 + n) * 3] for r in rows}
            pixels_seen = {sq[i:i + 3] for sq in squares for i in range(0, 3 * n, 3)}
            if pixels_seen == {b"\0\0\0"}:
                continue
            drawn += 1
            if len(pixels_seen) > 1:
                uneven += 1
    return uneven, drawn


if __name__ == "__main__":
    main()
