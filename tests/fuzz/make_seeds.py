#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_parser into seeds/ (run it after changing the
record format of fuzz_parser.cpp).  Each seed is a short script of feeds and
widget calls that reaches one area of the core: wrap, margins, the alternate
screen, huge counts, scrollback trimming, resizes, strings, broken UTF-8."""
import os

ESC = b"\x1b"
CSI = ESC + b"["


def feed(data):
    """Feed records of at most 240 bytes each."""
    out = b""
    for i in range(0, len(data), 240):
        part = data[i:i + 240]
        out += bytes([len(part) - 1]) + part
    return out


def resize(cols, rows):
    return bytes([0xF0, cols & 0xFF, (rows * 2) & 0xFF])


ALT_ON, ALT_OFF, PAINT = b"\xf1", b"\xf2", b"\xf8"


def limit(n):
    return bytes([0xF3, (n // 4) & 0xFF])


def view_up(n):
    return bytes([0xF4, n])


def texts(line, start_col, span, end_col):
    return bytes([0xF7, line & 0xFF, start_col & 0xFF, span, end_col & 0xFF])


def bytewise(data):
    return bytes([0xF9, len(data) - 1]) + data


SEEDS = {
    "wrap_and_scroll": feed(b"x" * 45 + b"\r\n" + b"line\r\n" * 20) + view_up(5) + texts(-2, 3, 4, 7),
    "margins_and_counts": feed(CSI + b"3;6r" + CSI + b"5H" + CSI + b"2147483647S" + CSI + b"4294967295T"
                               + CSI + b"99999999999L" + CSI + b"2147483648M" + b"abc"),
    "alternate_screens": feed(b"primary" + CSI + b"?1049h" + b"alt" + CSI + b"?1047l" + CSI + b"?47h")
    + ALT_OFF + ALT_ON + feed(b"more" + CSI + b"?1049l"),
    "wide_and_combining": feed("日本語テキストa\u0301\u200b🙂".encode() * 3 + CSI + b"?7l" + "界".encode() * 12)
    + resize(3, 2) + resize(1, 1) + feed("字".encode()),
    "broken_utf8": feed(b"\xe6\x97" + b"A" + b"\xf0\x9f\x98" + ESC + b"[1m" + b"\x80\xbf\xf8\xff\xc0\xaf\xed\xa0\x80"),
    "strings": feed(ESC + b"]0;title" + b"\x07" + ESC + b"P1;2q#0" + ESC + b"\\" + ESC + b"]2;x" + b"\x18"
                    + ESC + b"_apc" + ESC + b"[2Jtext"),
    "sgr": feed(CSI + b"1;3;4;7;9;38;5;196;48;2;1;2;3m" + b"A" + CSI + b"38:2::255:128:0m" + b"B"
                + CSI + b"38;5m" + CSI + b"0m" + CSI + b">4;2m" + b"C"),
    "replies": feed(CSI + b"6n" + CSI + b"?6n" + CSI + b"5n" + CSI + b"c" + CSI + b">c" + ESC + b"Z"
                    + b"x" * 20 + CSI + b"6n"),
    "scrollback_limits": feed(b"row\n" * 60) + limit(8) + view_up(200) + limit(-4) + feed(b"row\r\n" * 10)
    + limit(100) + resize(30, 12) + resize(10, 3) + texts(0, 0, 40, 30),
    "resize_storm": b"".join(resize(c, r) + feed(b"abcdefghij\r\n") for c, r in
                             ((0, 0), (-5, -3), (127, 60), (1, 40), (40, 1), (7, 7))),
    "split_sequences": bytewise(CSI + b"1;31m" + "é".encode() + ESC + b"]0;t" + ESC + b"\\" + CSI + b"?25l")
    + PAINT,
    "reset_and_save": feed(ESC + b"7" + CSI + b"10;10H" + ESC + b"8" + CSI + b"s" + CSI + b"?1049h" + ESC + b"c"
                           + CSI + b"u" + b"after"),
    "many_parameters": feed(CSI + b";" * 200 + b"m" + CSI + b"1;" * 100 + b"m" + CSI + b"?" * 50 + b"h"),
    "erase_insert_delete": feed(b"0123456789" * 2 + CSI + b"5G" + CSI + b"3@" + CSI + b"2P" + CSI + b"4X"
                                + CSI + b"1K" + CSI + b"J" + CSI + b"3J" + CSI + b"2K" + CSI + b"?2J"),
    "marks_everywhere": feed(("e\u0301" * 3 + "\u4e2d\u0302" + "\u200d\ufe0f").encode() * 6 + b"\r\u0301\n".replace(b"\\u0301", "\u0301".encode())
                             + CSI + b"2;4H" + "\u0301".encode() * 20 + CSI + b"2@" + CSI + b"P" + CSI + b"K")
    + resize(5, 3) + view_up(2) + texts(-3, 0, 3, 5),
    "marks_on_one_cell": feed(b"e" + "\u0301".encode() * 2000),
    "link_storm": feed(b"".join(ESC + b"]8;id=%d;http://h/%d" % (i, i) + b"\x07x" + (ESC + b"]8;;\x07" if i % 3 else b"")
                                for i in range(60)) + ESC + b"]8;;" + b"u" * 300 + ESC + b"\\z") + ALT_ON + ALT_OFF,
    "shift_storm": feed((ESC + b"(0" + ESC + b")A" + b"\x0elqk#\x0fmqj#" + ESC + b"7" + ESC + b"(B" + ESC + b"8"
                         + CSI + b"2b" + ESC + b"(Z" + CSI + b"s" + CSI + b"u") * 12 + ESC + b"c"),
    "titles_and_styles": feed(ESC + b"]0;t\xff\xc3" + b"\x07" + ESC + b"]1;i" + ESC + b"\\" + ESC + b"]7;file:///x\x07"
                              + b"\x07" + CSI + b"3 q" + CSI + b"2;8;21;53mA" + CSI + b"22;28;24;55mB" + CSI + b"5b"),
    "sgr_groups": feed(CSI + b"4:3;58:2::255:0:0mA" + CSI + b"4:5;58:5:9;1:2;38:2:1:2:3:4:5:6mB" + CSI + b"4:;38:5m"
                       + b"C" + CSI + b"4:2:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1:1m" + CSI + b"59;24mD")
    + resize(3, 4) + feed(CSI + b"2@" + CSI + b"K"),
    "pending_wrap": feed(b"abcdefghij" + b"\b" + b"x" * 10 + CSI + b"A" + b"y" * 10 + CSI + b"D" + b"z" * 10 + ESC + b"7"
                         + b"\t" + ESC + b"8" + b"w" * 10 + ESC + b"M" + b"v" * 10 + CSI + b"6n" + CSI + b"P" + CSI + b"@"),
    "escape_intermediates": feed(ESC + b" F" + ESC + b"(%5" + ESC + b"#8" + ESC + b"( \r!B" + ESC + b"\x7f7" + ESC + b"(\x18"
                                 + ESC + ESC + b"[2C" + ESC + b"#3" + ESC + b"*0" + ESC + b" " * 30 + b"G"),
    "margins_and_saves": feed(CSI + b"r" + CSI + b"5r" + CSI + b"0;0r" + CSI + b"3;3r" + CSI + b"2;4r" + CSI + b"?1049h"
                              + ESC + b"7" + CSI + b"?1049l" + ESC + b"8" + CSI + b"3J" + b"row\n" * 30 + CSI + b"3J"),
    "modes_and_tabs": feed(CSI + b"?6h" + CSI + b"3;8r" + CSI + b"4h" + b"insert" + CSI + b"20h\n" + CSI + b"?45h\b\b\b"
                           + CSI + b"3g" + ESC + b"H" + CSI + b"5I" + CSI + b"9Z" + CSI + b"2a" + CSI + b"3e" + CSI + b"2 @"
                           + CSI + b"3 A" + CSI + b"2'}" + CSI + b"4'~" + ESC + b"=" + CSI + b"!p" + ESC + b">" + ESC + b"c")
    + resize(40, 5) + feed(b"\t\tx" + CSI + b"?6h" + CSI + b"99;99H" + CSI + b"6n"),
    "reports": feed(CSI + b"?1;6;7;12;25;45;47;1047;1048;1049;9;1000;1002;1003;1005;1006;1015;1004;1007;2004;2026$p"
                    + CSI + b"4$p" + CSI + b"20$p" + CSI + b"?9999$p" + CSI + b">q" + ESC + b"P$qm" + ESC + b"\\"
                    + ESC + b"P$qr\x07" + ESC + b"P$q q" + ESC + b"\\" + ESC + b"P$q" + b"x" * 100 + ESC + b"\\"
                    + CSI + b"14t" + CSI + b"16t" + CSI + b"18t" + CSI + b"19t" + CSI + b"21t"),
    "titles_and_colours": feed(ESC + b"]0;a\x07" + CSI + b"22;0t" * 15 + ESC + b"]2;b\x07" + CSI + b"23;2t" * 20
                               + ESC + b"]4;1;#f00;2;?;300;#fff\x07" + ESC + b"]10;?;#010203;?" + ESC + b"\\"
                               + ESC + b"]11;rgb:1/22/333\x07" + ESC + b"]104;1;x\x07" + ESC + b"]104\x07"
                               + ESC + b"]110\x07" + ESC + b"]112" + ESC + b"\\"),
    "shell_marks": feed(ESC + b"]133;A;click_events=1\x07$ " + ESC + b"]133;B\x07ls\r\n" + ESC + b"]133;C\x07out\r\n"
                        + ESC + b"]133;D;127;aid=1" + ESC + b"\\" + ESC + b"]133;D;99999999999\x07" + ESC + b"]133;Z\x07"
                        + (ESC + b"]133;A\x07x\n") * 30 + CSI + b"2L" + CSI + b"M" + CSI + b"2K")
    + resize(3, 4) + limit(1) + resize(40, 8) + texts(0, 0, 40, 20) + feed(ESC + b"c" + ESC + b"]133;A\x07"),
}


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds")
    os.makedirs(out, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    print("%d seeds in %s" % (len(SEEDS), out))


if __name__ == "__main__":
    main()
