#!/usr/bin/env python3
"""Builds the extractor's icons from the pixel-art sources in src/ui/art.

A source is a text file: a 'colours' section, one colour a line as
    <char> <RRGGBB> <VGA index>
('.' is always transparent; the VGA index is what a 16-colour display
would show, kept with the art but no longer stored), then a 'pixels'
section of 32 lines of 32 characters. Each .ico gets one 32x32 image with
an AND mask, in the exact colours: 4-bit when they are at most 15, else
8-bit, with a table of only the colours it uses (biClrUsed). A second, 256-colour image would add some 1,200 bytes per
icon to the extractor and show nothing the first does not.

    make_icons.py OUTDIR SOURCE...       writes OUTDIR/<source name>.ico
    make_icons.py --png OUTDIR SOURCE... writes enlarged previews instead
"""
import struct
import sys
import zlib
from pathlib import Path

SIZE = 32


def fail(message):
    sys.exit(f"make_icons: {message}")


def read_art(path):
    """Returns (legend {char: (rgb, vga)}, rows of 32 chars)."""
    legend, rows, section = {}, [], None
    for number, line in enumerate(path.read_text().splitlines(), 1):
        if line.startswith("#") or not line.strip():
            continue
        if line.strip() in ("colours:", "pixels:"):
            section = line.strip()
            continue
        if section == "colours:":
            parts = line.split()
            if len(parts) != 3 or len(parts[0]) != 1 or parts[0] == ".":
                fail(f"{path}:{number}: expected '<char> <RRGGBB> <VGA index>'")
            vga = int(parts[2])
            if not 0 <= vga < 16:
                fail(f"{path}:{number}: VGA index {vga} out of range")
            legend[parts[0]] = (int(parts[1], 16), vga)
        elif section == "pixels:":
            rows.append(line.rstrip("\n"))
        else:
            fail(f"{path}:{number}: text outside a section")
    if len(rows) != SIZE or any(len(r) != SIZE for r in rows):
        fail(f"{path}: the pixels must be {SIZE} lines of {SIZE} characters")
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != "." and ch not in legend:
                fail(f"{path}: pixel {x},{y} uses '{ch}', which has no colour")
    if len(legend) > 255:
        fail(f"{path}: more than 255 colours")
    return legend, rows


def and_mask(rows):
    # Rows bottom-up, 1 bit per pixel, each row padded to 4 bytes; 1 = transparent.
    out = bytearray()
    for row in reversed(rows):
        bits = 0
        for ch in row:
            bits = (bits << 1) | (ch == ".")
        out += bits.to_bytes(4, "big")
    return bytes(out)


def dib(bit_count, palette, indices, rows):
    used = len(palette)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bit_count, 0,
                         0, 0, 0, used, 0)
    pal = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0)
                   for c in palette)
    pixels = bytearray()
    for row in reversed(indices):
        if bit_count == 4:
            for x in range(0, SIZE, 2):
                pixels.append((row[x] << 4) | row[x + 1])
        else:
            pixels += bytes(row)
    return header + pal + bytes(pixels) + and_mask(rows)


def images(legend, rows):
    """The icon's one image, with its RGB preview."""
    # Only colours some pixel uses take a place in the table.
    chars = sorted(c for c in legend if any(c in row for row in rows))
    palette = [0] + [legend[c][0] for c in chars]
    indices = [[0 if ch == "." else chars.index(ch) + 1 for ch in row] for row in rows]
    bits = 4 if len(palette) <= 16 else 8
    return [(bits, dib(bits, palette, indices, rows), indices, palette)]


def ico(imgs):
    offset = 6 + 16 * len(imgs)
    head = struct.pack("<HHH", 0, 1, len(imgs))
    body = b""
    for bits, data, _, _ in imgs:
        colours = 16 if bits == 4 else 0
        head += struct.pack("<BBBBHHII", SIZE, SIZE, colours, 0, 1, bits,
                            len(data), offset + len(body))
        body += data
    return head + body


def png(width, height, rgb_rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + bytes(row) for row in rgb_rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def preview(imgs, rows, scale=8):
    # The images side by side on a checkerboard, so holes in the mask show.
    gap = 8
    width = (SIZE * scale) * len(imgs) + gap * (len(imgs) + 1)
    height = SIZE * scale + 2 * gap
    canvas = [[0xE0] * (width * 3) for _ in range(height)]
    for n, (_, _, idx, pal) in enumerate(imgs):
        left = gap + n * (SIZE * scale + gap)
        for y in range(SIZE * scale):
            for x in range(SIZE * scale):
                py, px = y // scale, x // scale
                if rows[py][px] == ".":
                    c = 0xFF00FF if ((x // 4 + y // 4) % 2) else 0xB0B0B0
                else:
                    c = pal[idx[py][px]]
                o = (left + x) * 3
                canvas[gap + y][o:o + 3] = [c >> 16, (c >> 8) & 0xFF, c & 0xFF]
    return png(width, height, canvas)


def main(argv):
    make_png = argv[:1] == ["--png"]
    if make_png:
        argv = argv[1:]
    if len(argv) < 2:
        fail("usage: make_icons.py [--png] OUTDIR SOURCE...")
    out = Path(argv[0])
    out.mkdir(parents=True, exist_ok=True)
    for source in map(Path, argv[1:]):
        legend, rows = read_art(source)
        imgs = images(legend, rows)
        if make_png:
            target, data = out / (source.stem + ".png"), preview(imgs, rows)
        else:
            target, data = out / (source.stem + ".ico"), ico(imgs)
        # Written under a temporary name so that a failed run leaves no
        # half-written icon for the resource compiler to pick up.
        temporary = target.with_suffix(target.suffix + ".tmp")
        temporary.write_bytes(data)
        temporary.replace(target)


if __name__ == "__main__":
    main(sys.argv[1:])
