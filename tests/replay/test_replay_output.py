"""Output format of vesper-replay, which other tools parse: the screen or
session text, then the extra lines in their fixed order, the cell and reply
formats, chunked and concatenated input, the bench report and bounded memory
on streamed input.  The tool's path comes from VESPER_REPLAY."""
import os
import re
import resource
import subprocess
import sys

import pytest

REPLAY = os.environ.get("VESPER_REPLAY", "vesper-replay")
ESC = b"\x1b"
CSI = ESC + b"["


def run(args, data=b"", check=True):
    proc = subprocess.run([REPLAY, *args], input=data, capture_output=True, timeout=120)
    if check:
        assert proc.returncode == 0, proc.stderr.decode(errors="replace")
    return proc


def out(args, data=b""):
    return run(args, data).stdout.decode("utf-8")


def blank_rows(cols, rows):
    return "\n".join([" " * cols] * rows)


# (name, arguments, input bytes, expected stdout)
CASES = [
    ("empty input gives the blank 80x24 screen", [], b"", blank_rows(80, 24)),
    ("rows keep trailing blanks, no final line feed", ["--cols", "5", "--rows", "2"], b"ab",
     "ab   \n     "),
    ("sizes below one become one", ["--cols", "0", "--rows", "-3"], b"xyz", "z"),
    ("deferred wrap shows the cursor at the column count", ["--cols", "5", "--rows", "2", "--cursor"],
     b"abcde", "abcde\n     \ncursor 0 5\n"),
    ("extra lines keep their fixed order whatever the option order",
     ["--cols", "4", "--rows", "1", "--modes", "--replies", "--cell", "0,1", "--lines", "--cursor"],
     b"ab" + CSI + b"?25l" + CSI + b"5n",
     "ab  \ncursor 0 2\nlines 0 1 0 0\ncell 0 1 U+0062 fg=-1 bg=-1 b=0 i=0 u=0 r=0 s=0 w=0\n"
     "reply \\e[0n\nmode 25 reset private\n"),
    ("cells carry colours and flags; a wide character leaves a continuation cell",
     ["--cols", "6", "--rows", "1", "--cell", "0,0", "--cell", "0,2", "--cell", "0,3"],
     b"x" + CSI + b"1;3;4;7;9;31;48;2;255;128;0m" + "日".encode() + CSI + b"m",
     "x日   \n"
     "cell 0 0 U+0078 fg=-1 bg=-1 b=0 i=0 u=0 r=0 s=0 w=0\n"
     "cell 0 2 U+0000 fg=1 bg=33521664 b=1 i=1 u=1 r=1 s=1 w=1\n"
     "cell 0 3 U+0020 fg=-1 bg=-1 b=0 i=0 u=0 r=0 s=0 w=0\n"),
    ("--cell lines come in the order given, code points above U+FFFF in full",
     ["--cols", "4", "--rows", "1", "--cell", "0,2", "--cell", "0,0"], "🙂é".encode(),
     "🙂é \ncell 0 2 U+00E9 fg=-1 bg=-1 b=0 i=0 u=0 r=0 s=0 w=0\n"
     "cell 0 0 U+1F642 fg=-1 bg=-1 b=0 i=0 u=0 r=0 s=0 w=0\n"),
    ("a cell outside the screen is the default blank",
     ["--cols", "3", "--rows", "1", "--cell", "5,-2", "--cell", "0,3"], CSI + b"41mabc",
     "abc\ncell 5 -2 U+0020 fg=-1 bg=-1 b=0 i=0 u=0 r=0 s=0 w=0\n"
     "cell 0 3 U+0020 fg=-1 bg=-1 b=0 i=0 u=0 r=0 s=0 w=0\n"),
    ("replies are written with ESC as \\e, in the order sent",
     ["--cols", "10", "--rows", "4", "--replies"], CSI + b"3;5H" + CSI + b"6n" + CSI + b"c" + CSI + b">c"
     + CSI + b"?6n",
     blank_rows(10, 4) + "\nreply \\e[3;5R\nreply \\e[?1;2c\nreply \\e[>0;10;0c\nreply \\e[?3;5R\n"),
    ("modes name the parameter, set or reset, private or ansi",
     ["--cols", "2", "--rows", "1", "--modes"], CSI + b"?1;2004h" + CSI + b"4l",
     "  \nmode 1 set private\nmode 2004 set private\nmode 4 reset ansi\n"),
    ("the session holds the scrollback then the screen; lines gives the numbering",
     ["--cols", "2", "--rows", "3", "--session", "--lines"], b"1\r\n2\r\n3\r\n4\r\n5",
     "1 \n2 \n3 \n4 \n5 \nlines 0 5 2 2\n"),
    ("the scrollback limit trims the oldest lines",
     ["--cols", "2", "--rows", "2", "--scrollback", "1", "--session", "--lines"], b"a\r\nb\r\nc\r\nd",
     "b \nc \nd \nlines 1 4 2 1\n"),
    ("--resize re-wraps the session at the new width, the cursor on its character",
     ["--cols", "6", "--rows", "2", "--session", "--cursor", "--resize", "8:3x2"], b"abcdefgh\r\nij",
     "abc\ndef\ngh \nij \ncursor 1 2\n"),
    ("widening joins the soft-wrapped rows again",
     ["--cols", "3", "--rows", "2", "--session", "--resize", "8:6x2"], b"abcdefgh",
     "abcdef\ngh    "),
    ("--screen shows the view rows only", ["--cols", "2", "--rows", "2"], b"a\r\nb\r\nc", "b \nc "),
    ("no extra output asked: nothing after the text", ["--cols", "3", "--rows", "1", "--chunk", "1"],
     "é日".encode(), "é日"),
    ("--text joins soft wraps and escapes backslash and line feed",
     ["--cols", "3", "--rows", "3", "--text", "0,0,2,3", "--text", "2,0,2,3"], b"a\\bcd\r\nef",
     "a\\b\ncd \nef \ntext a\\\\bcd\\nef\ntext ef\n"),
    ("--cell-extra gives marks, the further attributes and the link",
     ["--cols", "4", "--rows", "1", "--cell-extra", "0,0", "--cell-extra", "0,1"],
     CSI + b"2;8;21;53m" + ESC + b"]8;;http://x/\x07" + "e\u0301\u0302".encode() + ESC + b"]8;;\x07" + CSI + b"mz",
     "e\u0301\u0302z  \nextra 0 0 marks=U+0301,U+0302 dim=1 hidden=1 dunder=1 over=1 ustyle=2 ucolor=- "
     "link=http://x/\nextra 0 1 marks=- dim=0 hidden=0 dunder=0 over=0 ustyle=0 ucolor=- link=-\n"),
    ("--cell-extra gives the underline style and colour",
     ["--cols", "4", "--rows", "1", "--cell-extra", "0,0", "--cell-extra", "0,1", "--cell-extra", "0,2"],
     CSI + b"4:3;58:5:9ma" + CSI + b"4:5;58:2::1:170:255mb" + CSI + b"59;4mc",
     "abc \nextra 0 0 marks=- dim=0 hidden=0 dunder=0 over=0 ustyle=3 ucolor=9 link=-\n"
     "extra 0 1 marks=- dim=0 hidden=0 dunder=0 over=0 ustyle=5 ucolor=#01aaff link=-\n"
     "extra 0 2 marks=- dim=0 hidden=0 dunder=0 over=0 ustyle=1 ucolor=- link=-\n"),
    ("--wrapped lists the soft-wrapped lines in order", ["--cols", "2", "--rows", "2", "--wrapped"],
     b"abcde\r\nf", "e \nf \nwrapped 0 1\n"),
    ("--shell-marks lists each mark by line and column, an exit code after D",
     ["--cols", "4", "--rows", "2", "--shell-marks"],
     ESC + b"]133;A\x07$ " + ESC + b"]133;B\x07x\r\n" + ESC + b"]133;C\x07" + ESC + b"]133;D;1" + ESC + b"\\",
     "$ x \n    \nshellmark 0 A 0\nshellmark 0 B 2\nshellmark 1 C 0\nshellmark 1 D 0 exit=1\n"),
    ("--events in order of arrival",
     ["--cols", "2", "--rows", "1", "--events"],
     ESC + b"]0;t\x07" + ESC + b"]1;i" + ESC + b"\\" + ESC + b"]7;file:///tmp\x07\x07" + CSI + b"4 q",
     "  \ntitle t\nicon t\nicon i\ncwd file:///tmp\nbell\ncursor-style 4\n"),
    ("--resize applies after its offset, in offset order",
     ["--cols", "5", "--rows", "3", "--resize", "6:2x3", "--resize", "3:4x3", "--cursor"], b"abcdefgh",
     "cd\nef\ngh\ncursor 2 2\n"),
]


@pytest.mark.parametrize("args,data,expected", [c[1:] for c in CASES], ids=[c[0] for c in CASES])
def test_output(args, data, expected):
    assert out(args, data) == expected


MIXED = (b"plain text that wraps past the edge " * 3 + "日本語🙂é\u0301".encode() + CSI + b"1;38;5;196m"
         + ESC + b"]0;a title" + ESC + b"\\" + CSI + b"2;5r" + CSI + b"5;1H" + b"line\n" * 9
         + CSI + b"?1049h" + b"alt" + CSI + b"?1049l" + CSI + b"6n" + b"\xe6\x97" + b"!" + CSI + b"3@z")
FULL_REPORT = ["--cols", "20", "--rows", "6", "--session", "--cursor", "--lines", "--replies",
               "--cell", "4,1", "--cell", "0,0"]


@pytest.mark.parametrize("chunk", ["1", "2", "3", "7", "4096"])
def test_chunk_size_does_not_change_the_result(chunk):
    assert out(FULL_REPORT + ["--chunk", chunk], MIXED) == out(FULL_REPORT, MIXED)


def test_files_are_concatenated_with_stdin_in_place_of_dash(tmp_path):
    # A UTF-8 character and a control sequence cut between the inputs.
    first, second = tmp_path / "first", tmp_path / "second"
    first.write_bytes(b"ab\xe6\x97")
    second.write_bytes(b"\xa5" + CSI + b"1")
    result = out(["--cols", "8", "--rows", "1", "--cursor", str(first), "-", str(second)], b"cd")
    assert result == out(["--cols", "8", "--rows", "1", "--cursor"], b"ab\xe6\x97cd\xa5" + CSI + b"1")
    assert result == "ab\ufffdcd\ufffd  \ncursor 0 6\n"


def test_bench_reports_on_stderr_and_still_prints_the_screen(tmp_path):
    data = b"x" * 100 + b"\r\n" * 30 + b"end"
    path = tmp_path / "input"
    path.write_bytes(data)
    proc = run(["--cols", "10", "--rows", "2", "--scrollback", "5000", "--bench", "--screen", str(path)])
    m = re.fullmatch(rb"bytes=(\d+) seconds=([0-9.]+) MBps=([0-9.]+)\n", proc.stderr)
    assert m, proc.stderr
    assert int(m.group(1)) == len(data)
    assert float(m.group(2)) >= 0 and float(m.group(3)) >= 0
    assert proc.stdout.decode() == " " * 10 + "\nend       "


@pytest.mark.parametrize("args", [["--unknown"], ["--cols"], ["--cols", "many"], ["--cell", "3"],
                                  ["--cursor=1"]])
def test_bad_command_lines_fail_with_usage(args):
    proc = run(args, check=False)
    assert proc.returncode == 2
    assert b"usage: vesper-replay" in proc.stderr
    assert proc.stdout == b""


def test_unreadable_file_fails():
    proc = run(["/nonexistent/input"], check=False)
    assert proc.returncode != 0
    assert b"/nonexistent/input" in proc.stderr


@pytest.mark.skipif(os.environ.get("LUMENVALE_SANITIZE") == "address",
                    reason="ASan reserves terabytes of address space")
def test_a_huge_chunk_size_needs_no_huge_buffer():
    # Under a 1 GiB address-space limit a 2 GiB read buffer cannot be allocated.
    limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
    proc = subprocess.run([REPLAY, "--cols", "3", "--rows", "1", "--chunk", "99999999999"], input=b"abc",
                          capture_output=True, timeout=60, preexec_fn=limit)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout == b"abc"


def test_huge_numbers_are_clamped_not_rejected():
    assert out(["--cols", "3", "--rows", "1", "--scrollback", "99999999999999", "--cell",
                "-99999999999,0"], b"abc") == "abc\ncell -2147483648 0 U+0020 fg=-1 bg=-1 b=0 i=0 u=0 r=0 s=0 w=0\n"


def peak_rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(next(line for line in f if line.startswith("VmHWM:")).split()[1])


@pytest.mark.skipif(not sys.platform.startswith("linux"), reason="reads /proc")
@pytest.mark.skipif(os.environ.get("LUMENVALE_SANITIZE") == "address",
                    reason="ASan's shadow memory and quarantine dominate the RSS")
def test_streamed_input_runs_in_bounded_memory():
    # 48 MB through a pipe without --bench: once the scrollback is full (after
    # the first few MB) the peak must stop growing; a tool that held its
    # input would grow by the 44 MB that follow.
    block = (b"0123456789abcdef" * 64 + b"\r\n") * 64
    proc = subprocess.Popen([REPLAY, "--cols", "80", "--rows", "24"], stdin=subprocess.PIPE,
                            stdout=subprocess.DEVNULL)
    blocks = 48 * 10**6 // len(block)
    for i in range(blocks):
        proc.stdin.write(block)
        if i == 4 * 10**6 // len(block):
            proc.stdin.flush()
            early = peak_rss_kib(proc.pid)
    proc.stdin.flush()
    late = peak_rss_kib(proc.pid)  # the tool is still alive, waiting for the end of input
    proc.stdin.close()
    assert proc.wait(timeout=300) == 0
    assert late - early < 8 * 1024, "peak RSS grew from %d to %d KiB" % (early, late)
