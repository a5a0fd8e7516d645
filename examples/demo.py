#!/usr/bin/env python3
"""What `./dev demo` runs: the terminal of terminal.py, live or as a screenshot.

With a display (DISPLAY or WAYLAND_DISPLAY) it opens the terminal window on
your login shell, or on the command given after `--`.  Without one it runs the
same window on a virtual screen (Xvfb through xvfb-run when installed, else
Qt's offscreen platform), drives a short session through a real pseudo
terminal (a coloured ls, 256-colour and truecolor charts, CJK text, vi started
and quit), saves a PNG of it and prints the PNG's path.  Given a command, it
runs that command instead and photographs its screen.

    ./dev demo                      # window, or screenshot when headless
    ./dev demo -- top               # the same with another program
    ./dev demo --output shot.png    # where the screenshot goes
"""

from __future__ import annotations

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import terminal  # noqa: E402 (the examples folder is on the path now)

VIRTUAL_SCREEN_FLAG = "--on-virtual-screen"
SCRIPT_FAILED = 3  # the session went wrong: another virtual screen would not help


def parse_args(argv: list[str]) -> argparse.Namespace:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", type=Path, help="screenshot file (default: in the build folder)")
    parser.add_argument("--scheme", choices=terminal.SCHEME_CHOICES, default="default", metavar="NAME",
                        help="colour scheme: %(choices)s (default: %(default)s)")
    parser.add_argument("--headless", action="store_true", help="take a screenshot even with a display")
    parser.add_argument("--offscreen", action="store_true",
                        help="use Qt's offscreen platform instead of Xvfb when headless")
    parser.add_argument(VIRTUAL_SCREEN_FLAG, dest="virtual", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("command", nargs=argparse.REMAINDER, help="program to run instead of the shell")
    args = parser.parse_args(argv)
    if args.command[:1] == ["--"]:
        args.command = args.command[1:]
    return args


def default_output() -> Path:
    """BUILD/demo/lumenvale-demo.png for a module built in BUILD/python, else
    the temporary folder (an installed module's folder is no place for it)."""
    import lumenvale
    module_folder = Path(lumenvale.__file__).resolve().parent
    if module_folder.name == "python":
        folder = module_folder.parent / "demo"
        try:
            folder.mkdir(exist_ok=True)
            return folder / "lumenvale-demo.png"
        except OSError:
            pass
    return Path(tempfile.gettempdir()) / "lumenvale-demo.png"


def run_on_virtual_screen(argv: list[str], args: argparse.Namespace) -> int:
    """Re-runs this script under Xvfb, falling back to the offscreen platform."""
    env = {k: v for k, v in os.environ.items() if v or k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    if not args.offscreen and shutil.which("xvfb-run"):
        cmd = ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24 -nolisten tcp",
               sys.executable, __file__, VIRTUAL_SCREEN_FLAG, *argv]
        rc = subprocess.run(cmd, env=env).returncode
        if rc in (0, SCRIPT_FAILED):
            return rc
        print(f"demo: the run on Xvfb failed ({rc}); using the offscreen platform", file=sys.stderr)
    env["QT_QPA_PLATFORM"] = "offscreen"
    cmd = [sys.executable, __file__, VIRTUAL_SCREEN_FLAG, *argv]
    return subprocess.run(cmd, env=env).returncode


def display_usable() -> bool:
    """Whether Qt can open a window here: a display is named and answers.

    A display can be named but out of reach (a toolchain root without the X
    socket or the authority file, an expired SSH forwarding); Qt would abort,
    so a throw-away process tries first."""
    if not (os.environ.get("DISPLAY") or os.environ.get("WAYLAND_DISPLAY")):
        return False
    if os.environ.get("QT_QPA_PLATFORM") in ("offscreen", "minimal"):
        return False  # Qt was told to show nothing
    probe = "from PySide6.QtGui import QGuiApplication; QGuiApplication([])"
    try:
        return subprocess.run([sys.executable, "-c", probe], capture_output=True, timeout=20).returncode == 0
    except subprocess.TimeoutExpired:
        return False


def main(argv: list[str] | None = None) -> int:
    argv = sys.argv[1:] if argv is None else argv
    args = parse_args(argv)
    named = os.environ.get("DISPLAY") or os.environ.get("WAYLAND_DISPLAY")
    has_display = not args.virtual and not args.headless and display_usable()
    if named and not has_display and not args.virtual and not args.headless:
        print(f"demo: the display {named} cannot be opened from here; making a screenshot instead",
              file=sys.stderr)
    if has_display:
        print(f"demo: a terminal running your shell opens on {named}; close it to end the demo")
        scheme = ["--scheme", args.scheme]
        return terminal.main(scheme + (["--hold", "--", *args.command] if args.command else []))
    if not args.virtual:
        return run_on_virtual_screen(argv, args)

    import scripted_session
    output = args.output or default_output()
    try:
        scripted_session.run(output, args.command, args.scheme)
    except RuntimeError as failure:
        print(f"demo: {failure}", file=sys.stderr)
        return SCRIPT_FAILED
    print(f"demo: no display here, so the session was photographed: {output}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
