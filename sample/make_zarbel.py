#!/usr/bin/env python3
"""Writes the sample species file zarbel.dat: 493 invented species.

Each line is six base stats (H, A, B, S, C, D), each followed by a comma,
then the name, with CR LF line ends; names are Shift-JIS (code page 932).
Every name is made up from a small set of syllables and is at most 10 bytes,
so that it can be typed into the species field. The output is the same on
every run.
"""
import random
import sys

SYLLABLES = "ガゾミルベネトクラピドシヨフハキノメダリ"
ENDINGS = "ヴヂヅ"
COUNT = 493


def names(rng):
    seen = set()
    while len(seen) < COUNT:
        length = rng.choice((2, 3, 4))
        name = "".join(rng.choice(SYLLABLES) for _ in range(length)) + rng.choice(ENDINGS)
        if name not in seen:
            seen.add(name)
            yield name


def main(path):
    rng = random.Random(493)
    lines = []
    for name in names(rng):
        stats = [rng.randint(20, 150) for _ in range(6)]
        encoded = name.encode("cp932")
        assert len(encoded) <= 10
        lines.append(b"".join(b"%d," % s for s in stats) + encoded + b"\r\n")
    with open(path, "wb") as f:
        f.write(b"".join(lines))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "zarbel.dat")
