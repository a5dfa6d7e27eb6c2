#!/usr/bin/env python3
"""Writes the example project's data files: two small TIM images, a level
and a sound bank. Run it from anywhere; the files land in data/ beside it."""
import os
import struct

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data")


def tim(pmode, clut, x, y, width_words, height, pixels):
    """A TIM image: the ID, the flags, an optional CLUT block, the image block."""
    out = struct.pack("<II", 0x10, pmode | (8 if clut else 0))
    if clut:
        block = struct.pack("<I4H", 12 + 2 * len(clut), 0, 480, len(clut), 1)
        out += block + struct.pack("<%dH" % len(clut), *clut)
    out += struct.pack("<I4H", 12 + 2 * len(pixels), x, y, width_words, height)
    return out + struct.pack("<%dH" % len(pixels), *pixels)


def write(name, data):
    with open(os.path.join(DATA, name), "wb") as f:
        f.write(data)


def main():
    os.makedirs(DATA, exist_ok=True)
    # font.tim: 4-bit, 16 colours, 64 x 16 pixels (16 words a row).
    clut = [0] + [0x7FFF] * 15
    write("font.tim", tim(0, clut, 640, 0, 16, 16, [(i * 37) & 0xFFFF for i in range(16 * 16)]))
    # sprites.tim: 16-bit direct colour, 16 x 16 pixels.
    write("sprites.tim", tim(2, None, 704, 0, 16, 16, [(i * 0x421) & 0x7FFF for i in range(256)]))
    # level.bin: 257 bytes, so the next file's address is rounded up.
    write("level.bin", bytes((i * 7) & 0xFF for i in range(257)))
    write("music.vh", b"pBAV" + bytes(60))
    write("music.vb", bytes(4096))


if __name__ == "__main__":
    main()
