#!/usr/bin/env python3
"""Packs a 16-bit PCM WAVE file for the page: each sample replaced by its difference from the
previous sample of the same channel, low bytes then high bytes, the 44-byte header kept, all
gzipped. Sound compresses far better so; page_fetch.js undoes it to the very same file.

    pack_sound.py IN.wav OUT.wav.delta.gz
"""
import gzip
import struct
import sys


def pack(wave: bytes) -> bytes:
    if len(wave) < 44 or wave[0:4] != b'RIFF' or wave[8:16] != b'WAVEfmt ' or wave[36:40] != b'data':
        raise ValueError('not a canonical 44-byte-header WAVE file')
    tag, channels = struct.unpack_from('<HH', wave, 20)
    bits, = struct.unpack_from('<H', wave, 34)
    size, = struct.unpack_from('<I', wave, 40)
    if tag != 1 or bits != 16 or channels < 1 or size != len(wave) - 44 or size % (2 * channels):
        raise ValueError('not whole 16-bit PCM samples')
    count = size // 2
    samples = struct.unpack_from(f'<{count}H', wave, 44)
    low, high = bytearray(count), bytearray(count)
    for i, value in enumerate(samples):
        delta = (value - (samples[i - channels] if i >= channels else 0)) & 0xFFFF
        low[i], high[i] = delta & 0xFF, delta >> 8
    return gzip.compress(wave[:44] + bytes(low) + bytes(high), 9, mtime=0)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], 'rb') as f:
        wave = f.read()
    try:
        packed = pack(wave)
    except ValueError as error:
        sys.exit(f'pack_sound.py: {sys.argv[1]}: {error}')
    with open(sys.argv[2], 'wb') as f:
        f.write(packed)


if __name__ == '__main__':
    main()
