#!/usr/bin/env python3
"""Writes the Windows program's icon (src/win32/popuran.ico) from the window icon of the Qt
program (src/qt/popuran.xpm), so that both front ends show the same picture: one 32 x 32 image
of 16 colours (4 bits per pixel) with a transparency mask.

Run it after changing the XPM:  python3 scripts/make-windows-icon.py
"""
import re
import struct
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def read_xpm(path):
    strings = re.findall(r'"((?:[^"\\]|\\.)*)"', path.read_text(encoding="utf-8"))
    width, height, ncolours, cpp = (int(v) for v in strings[0].split()[:4])
    colours = {}
    for line in strings[1 : 1 + ncolours]:
        key, fields = line[:cpp], line[cpp:].split()
        value = fields[fields.index("c") + 1]
        colours[key] = None if value.lower() == "none" else value
    rows = strings[1 + ncolours : 1 + ncolours + height]
    pixels = [[colours[row[x * cpp : (x + 1) * cpp]] for x in range(width)] for row in rows]
    return width, height, pixels


def to_rgb(value):
    if not re.fullmatch(r"#[0-9A-Fa-f]{6}", value):
        sys.exit(f"unsupported XPM colour {value!r}: use #RRGGBB")
    return tuple(int(value[i : i + 2], 16) for i in (1, 3, 5))


def make_ico(width, height, pixels):
    if (width, height) != (32, 32):
        sys.exit("the icon must be 32 x 32")
    # Index 0 is black: what transparent pixels hold under their mask.
    palette = [(0, 0, 0)]
    for row in pixels:
        for value in row:
            if value is not None and to_rgb(value) not in palette:
                palette.append(to_rgb(value))
    if len(palette) > 16:
        sys.exit(f"{len(palette)} colours: a 16-colour icon holds at most 16")
    palette += [(0, 0, 0)] * (16 - len(palette))

    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom row first
        indices = [0 if v is None else palette.index(to_rgb(v)) for v in row]
        for x in range(0, width, 2):
            xor.append(indices[x] << 4 | indices[x + 1])
        bits = 0
        for x, v in enumerate(row):
            bits |= (1 if v is None else 0) << (31 - x)
        mask += struct.pack(">I", bits)

    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, len(xor) + len(mask), 0,
                         0, 16, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    image = header + colours + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    width, height, pixels = read_xpm(ROOT / "src/qt/popuran.xpm")
    out = ROOT / "src/win32/popuran.ico"
    out.write_bytes(make_ico(width, height, pixels))
    print(f"wrote {out.relative_to(ROOT)}")


if __name__ == "__main__":
    main()
