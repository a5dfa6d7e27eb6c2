#!/usr/bin/env python3
"""zentro-map's picture read by a real XML parser: on a glue directory and a
PS-X EXE made here (two images that overlap with other halfwords, one with
a colour table, a file that is not an image, a reserved region), every
rectangle of the picture, counted by kind, lies where the headers put it
and is labelled with its file's name.

    map_svg_test.py ZENTRO_MAP"""
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SVG = "{http://www.w3.org/2000/svg}"


def tim(pixels, fill, clut=None):
    def block(rect, value):
        x, y, w, h = rect
        return struct.pack("<IHHHH", 12 + 2 * w * h, x, y, w, h) + struct.pack("<H", value) * (w * h)

    head = struct.pack("<II", 0x10, 8 if clut else 2)
    return head + (block(clut, 5) if clut else b"") + block(pixels, fill)


def main(zentro_map):
    failures = []
    with tempfile.TemporaryDirectory() as glue:
        os.mkdir(os.path.join(glue, "data"))
        files = {
            "a.tim": tim((640, 0, 64, 32), 1, clut=(0, 480, 16, 1)),
            "b.tim": tim((700, 16, 32, 32), 2),
            "level.bin": b"L" * 100,
        }
        address = {"a.tim": 0x80090000, "b.tim": 0x80091000, "level.bin": 0x80100000}
        for name, data in files.items():
            with open(os.path.join(glue, "data", name), "wb") as f:
                f.write(data)
        with open(os.path.join(glue, "caetla.bat"), "wb") as f:
            f.write(b"@echo off\r\nREM caetla.bat created by ZENTRO V3.0\r\n")
            for name in files:
                f.write(b"catflap up data\\%s %X\r\n" % (name.encode(), address[name]))
            f.write(b"catflap run main.exe")
        with open(os.path.join(glue, "loadtims.c"), "wb") as f:
            f.write(b"void LoadTims(void)\r\n{\r\n LoadTim(A_TIM);\r\n LoadTim(B_TIM);\r\n}\r\n")
        exe = bytearray(2048)
        exe[0:8] = b"PS-X EXE"
        struct.pack_into("<IIIIIIII", exe, 0x18, 0x80010000, 0x8000, 0, 0, 0x80018000, 0x1000,
                         0x801FFF00, 0)
        program = os.path.join(glue, "main.exe")
        with open(program, "wb") as f:
            f.write(exe)
        svg = os.path.join(glue, "map.svg")
        run = subprocess.run([zentro_map, "-r", "0,0,320,240", "-o", svg, glue, program],
                             capture_output=True, text=True)
        if run.returncode != 1 or "b.tim's pixels overwrite a.tim's pixels" not in run.stderr:
            failures.append("zentro-map exited with %d: %s" % (run.returncode, run.stderr))
        root = ET.parse(svg).getroot()
        groups = {}
        for g in root.iter(SVG + "g"):
            rect, text = g.find(SVG + "rect"), g.find(SVG + "text")
            if rect is None or text is None:
                failures.append("a group without its rectangle and label")
                continue
            box = tuple(round(float(rect.get(k))) for k in ("x", "y", "width", "height"))
            groups.setdefault(g.get("class"), []).append((text.text, box))
        want = {
            "pixels": [("a.tim", (640, 100, 64, 32)), ("b.tim", (700, 116, 32, 32))],
            "clut": [("a.tim colour table", (0, 580, 16, 1))],
            "reserved": [("reserved", (0, 100, 320, 240))],
            "overlap": [("overlap", (700, 116, 4, 16))],
        }
        for kind, boxes in want.items():
            if groups.get(kind) != boxes:
                failures.append("%s: %r, not %r" % (kind, groups.get(kind), boxes))
        labels = sorted(label.split(" ")[0] for label, _ in groups.get("data", []))
        if labels != sorted(files):
            failures.append("data: %r" % labels)
        if len(groups.get("program", [])) != 2 or not groups.get("free"):
            failures.append("program and free: %r" % groups)
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
