#!/usr/bin/env python3
"""Converts an X window dump (xwd, 24/32-bit TrueColor) into a PNG.

    xwd_to_png.py IN.xwd OUT.png [--trim]
    xwd_to_png.py --bbox IN.xwd      prints 'LEFT TOP RIGHT BOTTOM' of the windows

--trim cuts away the border that has the colour of the top-left pixel (the
desktop around a dialog), keeping a few pixels of it; when nothing but that
colour is there, no file is written and the exit code is 3.
"""
import struct
import sys
import zlib


def read_xwd(data):
    fields = struct.unpack(">25I", data[:100])
    header_size, _, fmt, _, width, height = fields[:6]
    byte_order, bpp, stride = fields[7], fields[11], fields[12]
    masks = fields[14:17]
    ncolors = fields[19]
    if fmt != 2 or bpp not in (24, 32):
        sys.exit("xwd_to_png: only 24/32-bit ZPixmap dumps are supported")
    start = header_size + 12 * ncolors
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    step = bpp // 8
    rows = []
    for y in range(height):
        line = data[start + y * stride: start + y * stride + width * step]
        row = []
        for x in range(width):
            chunk = line[x * step: x * step + step]
            value = int.from_bytes(chunk, "little" if byte_order == 0 else "big")
            row.append(tuple((value & m) >> s for m, s in zip(masks, shifts)))
        rows.append(row)
    return rows


def bbox(rows):
    background = rows[0][0]
    ys = [y for y, row in enumerate(rows) if any(p != background for p in row)]
    xs = [x for x in range(len(rows[0])) if any(row[x] != background for row in rows)]
    return (xs[0], ys[0], xs[-1], ys[-1]) if ys and xs else None


def trim(rows, margin=6):
    box = bbox(rows)
    if box is None:
        return None
    xs, ys = (box[0], box[2]), (box[1], box[3])
    top, bottom = max(ys[0] - margin, 0), min(ys[-1] + margin, len(rows) - 1)
    left, right = max(xs[0] - margin, 0), min(xs[-1] + margin, len(rows[0]) - 1)
    return [row[left:right + 1] for row in rows[top:bottom + 1]]


def png(rows):
    def part(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            part(b"IHDR", struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)) +
            part(b"IDAT", zlib.compress(raw, 9)) + part(b"IEND", b""))


def main(argv):
    if argv[:1] == ["--bbox"] and len(argv) == 2:
        box = bbox(read_xwd(open(argv[1], "rb").read()))
        if box is None:
            sys.exit(3)
        print(*box)
        return
    if len(argv) not in (2, 3) or (len(argv) == 3 and argv[2] != "--trim"):
        sys.exit("usage: xwd_to_png.py IN.xwd OUT.png [--trim]")
    rows = read_xwd(open(argv[0], "rb").read())
    if len(argv) == 3:
        rows = trim(rows)
        if rows is None:
            sys.exit(3)
    with open(argv[1] + ".tmp", "wb") as f:
        f.write(png(rows))
    import os
    os.replace(argv[1] + ".tmp", argv[1])


if __name__ == "__main__":
    main(sys.argv[1:])
