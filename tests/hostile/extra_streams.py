#!/usr/bin/env python3
"""Hostile streams of our own, beside the shared corpus: combining marks on
every position and a million on one cell, storms of hyperlinks, of titles and
of character-set shifts.  Written into the corpus folder and added to its
manifest with the properties every stream there is checked for."""
import json
import os

ESC = b"\x1b"
CSI = ESC + b"["
ACUTE = "\u0301".encode()
WIDE = "\u4e2d".encode()


def marks_everywhere():
    # Every column of 3000 rows, narrow and wide, more marks than a cell keeps,
    # plus marks in column 0, at a pending wrap and after a cursor jump.
    row = (b"e" + ACUTE * 17) * 40 + (WIDE + ACUTE * 16) * 20
    return (row + ACUTE + b"\r" + ACUTE + b"\n") * 3000 + CSI + b"5;80H" + ACUTE * 20 + CSI + b"3@" + CSI + b"2P"


def marks_on_one_cell():
    return b"e" + ACUTE * 1_000_000


def link_storm():
    out = []
    for i in range(200_000):
        out.append(ESC + b"]8;id=%d;https://example.invalid/%d" % (i, i) + b"\x07" + b"x")
        if i % 97 == 0:
            out.append(ESC + b"]8;;" + b"u" * 8193 + ESC + b"\\")
        if i % 13 == 0:
            out.append(ESC + b"]8;;\x07\r\n")
    return b"".join(out)


def title_storm():
    out = []
    for i in range(3000):
        out.append(ESC + b"]0;" + b"t\xff\xc3" * (i % 1500) + b"\x07")
        out.append(ESC + b"]2;" + b"x" * 4097 + b"\x07")
        out.append(ESC + b"]7;file:///" + b"d" * (i % 5000) + ESC + b"\\")
    return b"".join(out)


def shift_storm():
    pieces = [ESC + b"(0", ESC + b")A", b"\x0e", b"lqqk#x", b"\x0f", b"mqqj#", ESC + b"(B", ESC + b")0",
              ESC + b"7", ESC + b"(A", ESC + b"8", CSI + b"s", CSI + b"u", CSI + b"3b", ESC + b"(Z"]
    out = []
    for i in range(1_000_000):
        out.append(pieces[i % len(pieces)])
        if i % 50 == 0:
            out.append(b"\r\n")
    return b"".join(out) + b"\x0f" + ESC + b"(B"


def title_stack_flood():
    # Pushes far beyond the stack's depth, each with a long title, pops of an
    # empty stack, and pushes of the icon name and the window title alone.
    out = []
    for i in range(200_000):
        if i % 1000 == 0:
            out.append(ESC + b"]0;" + b"t" * 4000 + b"%d" % i + b"\x07")
        out.append(CSI + (b"22;%dt" % (i % 3)))
    out.append((CSI + b"23t") * 50_000)
    return b"".join(out)


def osc4_flood():
    # Colour settings in every form, good and bad, many pairs per sequence, and
    # the resets; no queries, so no replies.
    specs = [b"#f00", b"#00ff00", b"#000000fff", b"#ffff00000000", b"rgb:1/22/333", b"rgb:ffff/0/8", b"rgb:",
             b"#12", b"red", b"rgb:12345/0/0", b""]
    out = []
    for i in range(100_000):
        pairs = b";".join(b"%d;%s" % ((i + k) % 300, specs[(i + k) % len(specs)]) for k in range(8))
        out.append(ESC + b"]4;" + pairs + (b"\x07" if i % 2 else ESC + b"\\"))
        if i % 7 == 0:
            out.append(ESC + b"]10;#123456;#654321;#abcdef\x07" + ESC + b"]104;1;2;3\x07" + ESC + b"]110\x07")
        if i % 1000 == 0:
            out.append(ESC + b"]104\x07")
    return b"".join(out)


STREAMS = {
    "X01_marks_on_every_position": marks_everywhere,
    "X02_marks_1e6_on_one_cell": marks_on_one_cell,
    "X03_link_storm": link_storm,
    "X04_title_and_directory_storm": title_storm,
    "X05_shift_in_out_storm": shift_storm,
    "X06_title_stack_push_flood": title_stack_flood,
    "X07_osc4_flood": osc4_flood,
}


def add_to(corpus):
    with open(os.path.join(corpus, "MANIFEST.json")) as f:
        manifest = json.load(f)
    for name, make in STREAMS.items():
        data = make() + b"\x18" + CSI + b"0m\r\nSENTINEL:" + name.encode() + b"\r\n"
        with open(os.path.join(corpus, name), "wb") as f:
            f.write(data)
        manifest["files"].append({"name": name, "kind": "stream", "bytes": len(data), "props": "P1 P2 P3 P4 P5 P7",
                                  "replies": "none", "sentinel": True})
        manifest["total_bytes"] += len(data)
    with open(os.path.join(corpus, "MANIFEST.json"), "w") as f:
        json.dump(manifest, f)
