#!/usr/bin/env python3
"""Hostile byte streams against the emulation core.

Generates the shared hostile corpus (outside the checkout: the generator
refuses a git work tree) and our own streams beside it (extra_streams.py), feeds every stream file to hostile_feed and checks
the properties the manifest lists for it:

  P1 no crash, no sanitizer report       P2 feed time bounded by the ASCII rate
  P3 memory growth bounded               P4 screen invariants (during and after)
  P5 parser back in Ground, sentinel shown
  P6 only allowed replies, exact counts where the manifest gives them
  P7 the same final state whole, byte by byte and in random chunks

usage: check_hostile.py HOSTILE_FEED GENERATOR [--keep DIR] [--only PREFIX]...
       LUMENVALE_HOSTILE_FULL=1 also feeds C09 (1 MiB of LF) 2049 times, which
       crosses 2^31 scrolled lines by ordinary line feeds (minutes).
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import extra_streams

CELL_BYTES = 16
SCROLLBACK_BOUND = 5000 * 80 * CELL_BYTES
MEMORY_BOUND = 64 * 1024 * 1024 + SCROLLBACK_BOUND
TIMEOUT = 300
BYTE_BY_BYTE_LIMIT_SANITIZED = 1024 * 1024


# Where the core answers more than the shared corpus's manifest expects.
# "allowed": any number of replies, each of the allowed forms (numbers, the
# version, rgb: colours; never the program's own text).
REPLY_EXPECTATIONS = {
    # The text-area reports (CSI 18 t, CSI 19 t) are answered; resizing and
    # moving stay ignored.
    "G01_window_ops_resize_requests": "allowed",
    # DECRQSS, the colour queries, the window reports and DECRQM are
    # answered; the title report, OSC 52 reads, font queries, XTGETTCAP,
    # DECREQTPARM and DA3 still are not.
    "J02_injection_report_requests": "allowed",
    # A position report at the pending wrap names the last column, as xterm's.
    "L02_deferred_wrap_edges": "exact: 3846 replies ESC[<row>;80R (row depends on scrolling)",
}


def feed(tool, path, *extra):
    """Runs hostile_feed; returns (key/value dict, return code, stderr tail)."""
    try:
        proc = subprocess.run([tool, path, *extra], capture_output=True, text=True, timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        return {}, "timeout", ""
    values = dict(line.split("=", 1) for line in proc.stdout.splitlines() if "=" in line)
    return values, proc.returncode, proc.stderr[-2000:]


def check_every(size):
    """Invariant checks during the feed: about 32 per file, at least 64 KiB apart."""
    return max(65536, size // 32)


class Checker:
    def __init__(self, tool, corpus, manifest):
        self.tool = tool
        self.corpus = corpus
        self.manifest = manifest
        self.failures = []
        self.seconds_per_mb = None
        self.sanitized = False

    def fail(self, name, prop, why):
        self.failures.append("%s %s: %s" % (name, prop, why))

    def baseline(self):
        """P2's yardstick: plain printable text with controls (K03) in this run."""
        k03 = next(e for e in self.manifest["files"] if e["name"].startswith("K03"))
        values, rc, err = feed(self.tool, os.path.join(self.corpus, k03["name"]))
        if rc != 0:
            sys.exit("the ASCII baseline K03 failed (%s): %s" % (rc, err))
        self.sanitized = values.get("sanitizer") == "address"
        self.seconds_per_mb = float(values["seconds"]) / (int(values["bytes"]) / 1e6)
        print("baseline K03: %.1f MB/s%s" % (1 / self.seconds_per_mb, " (ASan build)" if self.sanitized else ""))

    def check_stream(self, entry, extra=()):
        name, props, path = entry["name"], entry["props"].split(), os.path.join(self.corpus, entry["name"])
        args = ["--check-every", str(check_every(entry["bytes"]))]
        if entry.get("sentinel"):
            args += ["--sentinel", "SENTINEL:" + name]
        replies_path = None
        if entry["replies"].startswith("exact"):
            replies_path = path + ".replies"
            args += ["--replies-out", replies_path]
        values, rc, err = feed(self.tool, path, *args, *extra)
        if rc != 0 or not values:
            self.fail(name, "P1", "exit %s: %s" % (rc, err.strip().splitlines()[-1:] or values.get("broken")))
            return
        fed_mb = int(values["bytes"]) / 1e6
        seconds = float(values["seconds"])
        # Timing and memory are the plain build's to check: ASan slows the heap
        # far more than the text path, and its shadow memory and quarantine
        # make RSS meaningless.
        if "P2" in props and not self.sanitized:
            bound = 2 * fed_mb * self.seconds_per_mb + 1
            if seconds > bound:
                # A busy machine can stall one run: measure the baseline and the
                # file once more before calling it slow.
                self.baseline()
                bound = 2 * fed_mb * self.seconds_per_mb + 1
                again, rc, _ = feed(self.tool, path, *extra)
                seconds = min(seconds, float(again.get("seconds", seconds)))
            if seconds > bound:
                self.fail(name, "P2", "%.2f s to feed %.1f MB (bound %.2f s)" % (seconds, fed_mb, bound))
        if "P3" in props and not self.sanitized:
            growth = (int(values["hwm_after_kb"]) - int(values["rss_before_kb"])) * 1024
            if growth > MEMORY_BOUND:
                self.fail(name, "P3", "peak memory grew by %.1f MiB" % (growth / 2**20))
        if values["broken"] != "none":
            self.fail(name, "P4", values["broken"])
        if "P5" in props and entry.get("sentinel"):
            if values.get("ground") != "1":
                self.fail(name, "P5", "the parser is not back in Ground")
            if values.get("sentinel_found") != "1":
                self.fail(name, "P5", "the sentinel is not on the screen")
        self.check_replies(entry, values, replies_path)
        if "P7" in props:
            self.check_chunking(entry)
        return values

    def check_replies(self, entry, values, replies_path):
        name = entry["name"]
        expected = REPLY_EXPECTATIONS.get(name, entry["replies"])
        count = int(values["replies"])
        if expected == "unchecked":
            return
        if int(values["bad_replies"]):
            self.fail(name, "P6", "%s replies outside the allowed set" % values["bad_replies"])
        if expected == "none":
            if count:
                self.fail(name, "P6", "%d replies where none are allowed" % count)
            return
        m = re.match(r"exact: (\d+) replies", expected)
        if m and count != int(m.group(1)):
            self.fail(name, "P6", "%d replies, expected %s" % (count, m.group(1)))
        m = re.search(r"(\d+) bytes, concatenation sha256 ([0-9a-f]{64})", expected)
        if m and replies_path:
            with open(replies_path, "rb") as f:
                data = f.read()
            if len(data) != int(m.group(1)) or hashlib.sha256(data).hexdigest() != m.group(2):
                self.fail(name, "P6", "reply bytes differ (%d bytes)" % len(data))
        m = re.search(r"ESC\[<row>;(\d+)R", expected)
        if m and replies_path:
            with open(replies_path, "rb") as f:
                replies = re.findall(rb"\x1b\[[0-9;?]*[A-Za-z]", f.read())
            if any(not re.fullmatch(rb"\x1b\[\d+;%sR" % m.group(1).encode(), r) for r in replies):
                self.fail(name, "P6", "a cursor report does not name column %s" % m.group(1))

    def check_chunking(self, entry):
        name, path = entry["name"], os.path.join(self.corpus, entry["name"])
        states = []
        chunks = [str(max(entry["bytes"], 1)), "1", "random:5"]
        # The plain build feeds every stream byte by byte; under a sanitizer
        # that pass costs minutes for the multi-megabyte streams and finds
        # nothing the random chunks (1..8192 bytes) do not reach, so there
        # they get only the whole and the random feeds.
        if self.sanitized and entry["bytes"] > BYTE_BY_BYTE_LIMIT_SANITIZED:
            chunks.remove("1")
        for chunk in chunks:
            out = "%s.state.%s" % (path, chunk.replace(":", ""))
            values, rc, err = feed(self.tool, path, "--chunk", chunk, "--state-out", out)
            if rc != 0:
                self.fail(name, "P7", "chunk %s: exit %s %s" % (chunk, rc, err[-300:]))
                return
            with open(out, "rb") as f:
                states.append(f.read())
        if any(state != states[0] for state in states):
            self.fail(name, "P7", "the state differs between whole, byte-by-byte and random chunks")

    def check_resize_storm(self):
        content = next(e for e in self.manifest["files"] if e["name"].startswith("G03"))
        schedule = next(e for e in self.manifest["files"] if e["name"].startswith("G02"))
        values = self.check_stream(content, ["--resize-schedule", os.path.join(self.corpus, schedule["name"])])
        if values:
            print("G03 with G02: %s resizes applied, %s skipped (over the cell budget)" %
                  (values["resizes"], values["resizes_skipped"]))
            if int(values["resizes"]) < 900:
                self.fail(content["name"], "P4", "only %s resizes were applied" % values["resizes"])

    def run(self, only):
        self.baseline()
        for entry in self.manifest["files"]:
            name = entry["name"]
            if entry["kind"] != "stream" or (only and not any(name.startswith(p) for p in only)):
                continue
            t0 = time.monotonic()
            if name.startswith("G03"):
                self.check_resize_storm()
            elif name.startswith("C09") and os.environ.get("LUMENVALE_HOSTILE_FULL") == "1":
                self.check_stream(entry, ["--repeat", "2049"])
            else:
                self.check_stream(entry)
            dt = time.monotonic() - t0
            if dt > 5:
                print("  %s took %.1f s" % (name, dt))
        return self.failures


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("tool")
    ap.add_argument("generator")
    ap.add_argument("--keep", help="write the corpus here and keep it")
    ap.add_argument("--only", action="append", default=[])
    a = ap.parse_args()
    corpus = a.keep or tempfile.mkdtemp(prefix="lumenvale-hostile-")
    try:
        t0 = time.monotonic()
        gen = ["python3", a.generator, "--out", corpus, "--no-hash"]
        for p in a.only:
            gen += ["--only", p]
        if a.only:
            gen += ["--only", "K03"]  # the speed baseline is always needed
        subprocess.run(gen, check=True, stdout=subprocess.DEVNULL)
        extra_streams.add_to(corpus)
        with open(os.path.join(corpus, "MANIFEST.json")) as f:
            manifest = json.load(f)
        print("corpus: %d files, %.0f MB in %.1f s" % (len(manifest["files"]), manifest["total_bytes"] / 1e6,
                                                      time.monotonic() - t0))
        failures = Checker(a.tool, corpus, manifest).run(a.only)
        print("checked in %.1f s" % (time.monotonic() - t0))
        for f in failures:
            print("FAIL " + f)
        if not failures:
            print("every hostile stream kept its properties")
        return 1 if failures else 0
    finally:
        if not a.keep:
            shutil.rmtree(corpus, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
