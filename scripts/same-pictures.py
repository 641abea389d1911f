#!/usr/bin/env python3
"""Tells whether two folders hold the same PNG pictures, pixel for pixel (the bytes of
the files may differ with the PNG library's version). Prints each picture that differs
or is missing on one side. Usage: same-pictures.py KEPT_DIR MADE_DIR; status 0 when
all are the same, 1 otherwise."""

import os
import struct
import sys
import zlib


def pixels(path):
    """Width, height and the unfiltered rows of an 8-bit, non-interlaced PNG."""
    data = read(path)
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or interlace or colour not in (0, 2, 4, 6):
        raise ValueError(f"{path}: only 8-bit non-interlaced pictures are compared")
    bpp = {0: 1, 2: 3, 4: 2, 6: 4}[colour]
    raw, stride, rows, prev = zlib.decompress(idat), width * bpp, [], bytearray(width * bpp)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = row[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                row[i] = (row[i] + a) & 255
            elif kind == 2:
                row[i] = (row[i] + b) & 255
            elif kind == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(row))
        prev = row
    return width, height, colour, rows


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    kept, made = sys.argv[1:3]
    names = sorted(n for n in set(os.listdir(kept)) | set(os.listdir(made)) if n.endswith(".png"))
    differ = []
    for name in names:
        a, b = os.path.join(kept, name), os.path.join(made, name)
        if not os.path.exists(a) or not os.path.exists(b):
            differ.append(f"{name}: only in {made if os.path.exists(b) else kept}")
        elif read(a) != read(b) and pixels(a) != pixels(b):
            differ.append(f"{name}: the pictures differ")
    for line in differ:
        print(line)
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
