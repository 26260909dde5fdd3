#!/usr/bin/env python3
"""Writes the benchmark's payload: a deterministic tree of files.

    gen_payload.py FOLDER TOTAL_BYTES FILE_COUNT [SEED]

Sizes are spread log-uniformly (a few hundred bytes to about a megabyte)
with a handful of large files, scaled so that they add up to TOTAL_BYTES.
Every third file is pseudo-random bytes (incompressible); the others are
word text (compressible, about 2.5:1 with MSZIP). Files go into a few nested folders.
The same arguments always give the same bytes.
"""
import os
import random
import sys


def main():
    folder, total, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    rng = random.Random(seed)
    folders = ["", "docs", "bin", "data/set1", "data/set2/deep", "media/raw"]

    large = max(1, count // 500)
    weights = [rng.uniform(6.0, 14.0) for _ in range(count - large)]
    weights = [2.718281828 ** w for w in weights]
    # The large files take a fifth of the total between them.
    scale = total * 0.8 / sum(weights)
    sizes = [max(1, int(w * scale)) for w in weights]
    sizes += [int(total * 0.2 / large)] * large
    sizes[-1] += total - sum(sizes)
    rng.shuffle(sizes)

    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10)))
             for _ in range(300)]
    text = bytearray()
    while len(text) < 4 << 20:
        line = b" ".join(rng.choice(words) for _ in range(rng.randint(4, 14)))
        text += line + b"\r\n"
    text = bytes(text)

    for index, size in enumerate(sizes):
        sub = folders[index % len(folders)]
        path = os.path.join(folder, sub, "file%04d.%s" % (index, "bin" if index % 3 == 0 else "txt"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            if index % 3 == 0:
                out.write(rng.randbytes(size))
            else:
                left = size
                while left:
                    start = rng.randrange(len(text))
                    piece = text[start:start + left]
                    out.write(piece)
                    left -= len(piece)


if __name__ == "__main__":
    main()
