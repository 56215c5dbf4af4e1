#!/usr/bin/env python3
"""Draws the suite's numbered 16 x 16 pictures (the store icons of search hits)
and writes them as 24-bit BMP files to resources/bitmaps/<number>.bmp, where
the build compiles them into the library. Pure green is the transparent
colour. Run it again after changing a picture here."""
import os
import struct
import sys

COLOURS = {
    ".": (0, 255, 0),      # transparent
    "k": (40, 40, 40),     # outline
    "w": (255, 255, 255),
    "g": (160, 160, 160),
    "b": (40, 90, 200),
    "l": (140, 180, 240),
    "r": (210, 40, 40),
    "y": (240, 200, 60),
    "t": (30, 150, 60),
    "s": (230, 190, 150),
}

PAGE = [
    "..kkkkkkkkkk....",
    "..kwwwwwwwwkk...",
    "..kwwwwwwwwkwk..",
    "..kwwwwwwwwkkkk.",
    "..kwwwwwwwwwwwk.",
]
PAGE_END = [
    "..kwwwwwwwwwwwk.",
    "..kkkkkkkkkkkkk.",
    "................",
]


def page(middle):
    rows = PAGE + middle + PAGE_END
    assert len(rows) == 16, len(rows)
    return rows


PICTURES = {
    # contacts: a head and shoulders
    293: [
        "................",
        "......kkkk......",
        ".....kssssk.....",
        "....kssssssk....",
        "....kskssksk....",
        "....kssssssk....",
        "....kssrrssk....",
        ".....kssssk.....",
        "......kkkk......",
        "....kkbbbbkk....",
        "...kbbbbbbbbk...",
        "..kbbbblbbbbbk..",
        "..kbbbblbbbbbk..",
        "..kbbbblbbbbbk..",
        "..kkkkkkkkkkkk..",
        "................",
    ],
    # tasks: a ticked box
    10: [
        "................",
        "............tt..",
        "...........ttt..",
        ".kkkkkkkkkttt...",
        ".kwwwwwwwttt....",
        ".kwwwwwwttt.k...",
        ".kwtwwwttt.wk...",
        ".kwttwttt.wwk...",
        ".kwtttttwwwwk...",
        ".kwwtttwwwwwk...",
        ".kwwwtwwwwwwk...",
        ".kwwwwwwwwwwk...",
        ".kwwwwwwwwwwk...",
        ".kkkkkkkkkkkk...",
        "................",
        "................",
    ],
    # appointments: a calendar leaf
    237: [
        "................",
        "...k..k..k..k...",
        ".kkkkkkkkkkkkkk.",
        ".krrrrrrrrrrrrk.",
        ".krrrrrrrrrrrrk.",
        ".kkkkkkkkkkkkkk.",
        ".kwwwwwwwwwwwwk.",
        ".kwgwgwgwgwgwwk.",
        ".kwwwwwwwwwwwwk.",
        ".kwgwgwbbwgwgwk.",
        ".kwwwwwbbwwwwwk.",
        ".kwgwgwgwgwgwwk.",
        ".kwwwwwwwwwwwwk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
    ],
    # ink and document notes: a written page
    207: page([
        "..kwggggggggwwk.",
        "..kwwwwwwwwwwwk.",
        "..kwggggggwwwwk.",
        "..kwwwwwwwwwwwk.",
        "..kwgggggggggwk.",
        "..kwwwwwwwwwwwk.",
        "..kwgggggwwwwwk.",
        "..kwwwwwwwwwwwk.",
    ]),
    # voice notes: a page with a loudspeaker
    267: page([
        "..kwwwwwwbwwwwk.",
        "..kwwwwwbbwwbwk.",
        "..kwwbbbbbwbwwk.",
        "..kwwbbbbbwbwbk.",
        "..kwwbbbbbwbwbk.",
        "..kwwbbbbbwbwwk.",
        "..kwwwwwbbwwbwk.",
        "..kwwwwwwbwwwwk.",
    ]),
    # .pmi notes: a page with a drawing
    328: page([
        "..kwwwwwwwwwwwk.",
        "..kwwwwwwwwyywk.",
        "..kwwwwwwwwyywk.",
        "..kwwwwtwwwwwwk.",
        "..kwwwtttwwwwwk.",
        "..kwwtttttwtwwk.",
        "..kwtttttttttwk.",
        "..kwwwwwwwwwwwk.",
    ]),
    # journal entries: a bound diary with a bookmark
    331: [
        "................",
        "...kkkkkkkkkk...",
        "..kyttttttttk...",
        "..kyttttttttkr..",
        "..kyttwwwwttkr..",
        "..kyttttttttkr..",
        "..kyttwwwwttk...",
        "..kyttttttttk...",
        "..kyttttttttk...",
        "..kyttttttttk...",
        "..kyttttttttk...",
        "..kyttttttttk...",
        "..kykkkkkkkkk...",
        "..kywwwwwwwwk...",
        "...kkkkkkkkkk...",
        "................",
    ],
    # database notes: a stack of records
    322: [
        "................",
        "....kkkkkkkk....",
        "..kkllllllllkk..",
        "..kllllllllllk..",
        "..kkllllllllkk..",
        "..kbkkkkkkkkbk..",
        "..kbbbbbbbbbbk..",
        "..kkbbbbbbbbkk..",
        "..kbkkkkkkkkbk..",
        "..kbbbbbbbbbbk..",
        "..kkbbbbbbbbkk..",
        "..kbkkkkkkkkbk..",
        "..kbbbbbbbbbbk..",
        "...kkbbbbbbkk...",
        ".....kkkkkk.....",
        "................",
    ],
}


def bmp(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    pixels = b""
    for row in reversed(rows):
        line = b"".join(bytes(reversed(COLOURS[c])) for c in row)
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + header + pixels


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "bitmaps")
    os.makedirs(out, exist_ok=True)
    for number, rows in PICTURES.items():
        assert all(len(r) == 16 for r in rows), number
        with open(os.path.join(out, f"{number}.bmp"), "wb") as f:
            f.write(bmp(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
