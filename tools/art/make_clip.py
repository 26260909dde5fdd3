#!/usr/bin/env python3
"""Builds the extractor's file-copy clip (an RLE8 AVI) from its text source.

The source (src/ui/art/filecopy.clip) holds, in this order:
    size W H                      the frame size in pixels
    colours:                      one '<char> <RRGGBB>' a line; the first is
                                  the background, which the animation
                                  control shows transparent (it takes the
                                  colour of the first pixel)
    sprite NAME:                  rows of characters, '.' leaves the pixel
                                  as it is
    scene:                        'NAME X Y' a line: drawn in every frame
    frames:                       one frame a line: 'NAME X Y' pairs drawn
                                  on top of the scene ('-' for none)
    rate N                        frames per second

    make_clip.py OUTPUT.avi SOURCE
    make_clip.py --png OUTPUT.png SOURCE    all frames in a strip, enlarged
"""
import struct
import sys
import zlib
from pathlib import Path


def fail(message):
    sys.exit(f"make_clip: {message}")


def read_clip(path):
    clip = {"size": None, "colours": [], "sprites": {}, "scene": [], "frames": [], "rate": 10}
    section, sprite = None, None
    for number, raw in enumerate(path.read_text().splitlines(), 1):
        line = raw.rstrip()
        where = f"{path}:{number}"
        if not line or line.startswith("#"):
            continue
        words = line.split()
        if words[0] == "size" and len(words) == 3:
            clip["size"] = (int(words[1]), int(words[2]))
            section = None
        elif words[0] == "rate" and len(words) == 2:
            clip["rate"] = int(words[1])
            section = None
        elif line == "colours:":
            section = "colours"
        elif words[0] == "sprite" and len(words) == 2 and words[1].endswith(":"):
            section, sprite = "sprite", words[1][:-1]
            clip["sprites"][sprite] = []
        elif line in ("scene:", "frames:"):
            section = line[:-1]
        elif section == "colours":
            if len(words) != 2 or len(words[0]) != 1:
                fail(f"{where}: expected '<char> <RRGGBB>'")
            clip["colours"].append((words[0], int(words[1], 16)))
        elif section == "sprite":
            clip["sprites"][sprite].append(line)
        elif section in ("scene", "frames"):
            placed = []
            if words != ["-"]:
                if len(words) % 3:
                    fail(f"{where}: expected 'NAME X Y' groups")
                for n in range(0, len(words), 3):
                    if words[n] not in clip["sprites"]:
                        fail(f"{where}: no sprite '{words[n]}'")
                    placed.append((words[n], int(words[n + 1]), int(words[n + 2])))
            if section == "scene":
                clip["scene"] += placed
            else:
                clip["frames"].append(placed)
        else:
            fail(f"{where}: not understood")
    if not clip["size"] or not clip["colours"] or not clip["frames"]:
        fail(f"{path}: size, colours and frames are required")
    width, height = clip["size"]
    if width % 4:
        fail(f"{path}: the width must be a multiple of 4")
    known = {c for c, _ in clip["colours"]}
    for name, rows in clip["sprites"].items():
        for row in rows:
            for ch in row:
                if ch != "." and ch not in known:
                    fail(f"{path}: sprite {name} uses '{ch}', which has no colour")
    return clip


def render(clip):
    width, height = clip["size"]
    index = {c: n for n, (c, _) in enumerate(clip["colours"])}
    frames = []
    for placed in clip["frames"]:
        pixels = [[0] * width for _ in range(height)]
        for name, left, top in clip["scene"] + placed:
            for dy, row in enumerate(clip["sprites"][name]):
                for dx, ch in enumerate(row):
                    x, y = left + dx, top + dy
                    if ch != "." and 0 <= x < width and 0 <= y < height:
                        pixels[y][x] = index[ch]
        frames.append(pixels)
    return frames


def rle8(pixels):
    # Every frame is a key frame made of encoded runs: the pictures are flat,
    # and a frame that stands alone plays the same from any starting point.
    out = bytearray()
    rows = list(reversed(pixels))  # DIBs run bottom-up
    for y, row in enumerate(rows):
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and row[x + run] == row[x] and run < 255:
                run += 1
            out += bytes((run, row[x]))
            x += run
        out += b"\0\1" if y == len(rows) - 1 else b"\0\0"
    return bytes(out)


def chunk(fourcc, data):
    return fourcc + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def avi(clip, frames):
    width, height = clip["size"]
    palette = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0)
                       for _, c in clip["colours"])
    encoded = [rle8(f) for f in frames]
    largest = max(len(e) for e in encoded)
    rate = clip["rate"]
    avih = struct.pack("<14I", 1000000 // rate, largest * rate, 0, 0x10, len(frames), 0, 1,
                       largest, width, height, 0, 0, 0, 0)
    strh = (b"vids" + b"mrle" +
            struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, rate, 0, len(frames), largest,
                        0xFFFFFFFF, 0, 0, 0, width, height))
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, 0, 0, 0,
                       len(clip["colours"]), 0) + palette
    hdrl = b"hdrl" + chunk(b"avih", avih) + chunk(b"LIST", b"strl" + chunk(b"strh", strh) +
                                                  chunk(b"strf", strf))
    movi, index, offset = b"movi", b"", 4
    for e in encoded:
        index += b"00dc" + struct.pack("<III", 0x10, offset, len(e))
        piece = chunk(b"00dc", e)
        movi += piece
        offset += len(piece)
    body = b"AVI " + chunk(b"LIST", hdrl) + chunk(b"LIST", movi) + chunk(b"idx1", index)
    return chunk(b"RIFF", body)


def png_strip(clip, frames, scale=3):
    width, height = clip["size"]
    colours = [c for _, c in clip["colours"]]
    gap = 4
    rows = []
    for f in frames:
        for y in range(height * scale):
            row = bytearray()
            for x in range(width * scale):
                c = colours[f[y // scale][x // scale]]
                row += bytes((c >> 16, (c >> 8) & 0xFF, c & 0xFF))
            rows.append(b"\0" + bytes(row))
        rows += [b"\0" + b"\x40" * (width * scale * 3)] * gap

    def part(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n" +
            part(b"IHDR", struct.pack(">IIBBBBB", width * scale, len(rows), 8, 2, 0, 0, 0)) +
            part(b"IDAT", zlib.compress(b"".join(rows), 9)) + part(b"IEND", b""))


def main(argv):
    make_png = argv[:1] == ["--png"]
    if make_png:
        argv = argv[1:]
    if len(argv) != 2:
        fail("usage: make_clip.py [--png] OUTPUT SOURCE")
    clip = read_clip(Path(argv[1]))
    frames = render(clip)
    data = png_strip(clip, frames) if make_png else avi(clip, frames)
    target = Path(argv[0])
    target.parent.mkdir(parents=True, exist_ok=True)
    temporary = target.with_name(target.name + ".tmp")
    temporary.write_bytes(data)
    temporary.replace(target)


if __name__ == "__main__":
    main(sys.argv[1:])
