#!/usr/bin/env python3
"""Writes a seeded build-log-like text for scrollback memory figures.

usage: make_log.py KIND LINES > file
  KIND  plain    lines of 20-80 printable ASCII characters (a build log)
        coloured the same with SGR colours every few words (ls --color,
                 git log --graph)
        cjk      lines of 10-40 double-width characters with ASCII between
Lines end in CR LF, as a terminal receives them through a pty.
"""
import random
import sys

WORDS = ("gcc -O2 -c src/main.cpp -o build/main.o warning: unused variable "
         "Compiling Linking [ 42%] Building CXX object core/CMakeFiles "
         "error: expected ; before } token note: in expansion of macro "
         "PASS FAIL test_case_17 ok 0.003s /usr/include/c++/14/bits").split()
COLOURS = ["31", "32", "33", "34", "35", "36", "1;34", "01;32", "38;5;208", "38;2;200;120;40"]


def line(rng, kind):
    if kind == "cjk":
        n = rng.randint(10, 40)
        return "".join(chr(rng.randint(0x4E00, 0x9FA5)) if rng.random() < 0.8 else rng.choice("abc 12:-")
                       for _ in range(n))
    target = max(rng.randint(20, 80), rng.randint(20, 80))  # 60 on average
    out, length = [], 0
    while length < target:
        word = rng.choice(WORDS)[: target - length]
        if kind == "coloured" and rng.random() < 0.3:
            out.append("\x1b[%sm%s\x1b[m" % (rng.choice(COLOURS), word))
        else:
            out.append(word)
        length += len(word)
        if length < target:
            out.append(" ")
            length += 1
    return "".join(out)


def main():
    kind, count = sys.argv[1], int(sys.argv[2])
    rng = random.Random(20261210)
    out = sys.stdout.buffer
    for _ in range(count):
        out.write((line(rng, kind) + "\r\n").encode())


if __name__ == "__main__":
    main()
