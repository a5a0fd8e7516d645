#!/usr/bin/env python3
"""A small but complete terminal window built on lumenvale.

It shows the whole public API in use: a TerminalWidget attached to the
platform's PtySession, the window title following the program's title, a
short flash and an alert on the bell, the exit code
shown (or the window closed) when the program ends, Ctrl+Plus / Ctrl+Minus /
Ctrl+0 font sizes through setTerminalFont, the built-in colour schemes and
scheme files in a Scheme menu, the widget's own actions (Ctrl+Shift+C,
Ctrl+Shift+V, Ctrl+Shift+A) in a context menu with Open Link and Copy Link
Address over a link, Clear Scrollback and Reset, a find bar (Ctrl+Shift+F;
Enter, Shift+Enter or its buttons for the next and previous hit, the number
of matches beside them, Esc closes it), a question before a paste of several
lines and before closing while a program runs, a notice while Ctrl+S holds
the output, and links the program prints opened with Ctrl+click.
The shared pieces live in terminal_parts.py, which tabs.py uses too.

    python3 examples/terminal.py                     # your login shell
    python3 examples/terminal.py --scheme "Solarized Light" -- htop
    python3 examples/terminal.py --hold -- ls -l --color=auto
"""

from __future__ import annotations

import argparse
import os
import sys
from typing import Callable

from PySide6.QtCore import Qt, QTimer
from PySide6.QtGui import QAction, QDesktopServices, QKeySequence
from PySide6.QtWidgets import QApplication, QMainWindow, QVBoxLayout, QWidget

import lumenvale
from terminal_parts import (FindBar, FlowNotice, ask_before_multiline_paste, ask_to_close, clear_scrollback,
                            install_context_menu, reset_terminal, running_program, scheme_menu)

# The --scheme names: the widget's own palette, then the built-in schemes.
SCHEME_CHOICES = ["default", *lumenvale.Palette.scheme_names()]

FONT_STEP = 1.0
MIN_POINT_SIZE = 5.0


def make_palette(scheme: str) -> lumenvale.Palette:
    """The Palette of a built-in colour scheme (`default` is the widget's own)."""
    return lumenvale.Palette() if scheme == "default" else lumenvale.Palette.from_scheme(scheme)


def login_shell() -> list[str]:
    """The user's shell: $SHELL, the password database, %COMSPEC% or /bin/sh."""
    shell = os.environ.get("SHELL")
    if not shell and hasattr(os, "getuid"):
        import pwd
        try:
            shell = pwd.getpwuid(os.getuid()).pw_shell
        except KeyError:
            shell = None
    if not shell:
        shell = os.environ.get("COMSPEC", "cmd.exe") if sys.platform == "win32" else "/bin/sh"
    return [shell]


class TerminalWindow(QMainWindow):
    """A main window holding one terminal that runs one program."""

    def __init__(self, command: list[str], scheme: str = "default", font_size: float = 0.0,
                 hold: bool = False, env: list[str] | None = None, grid: tuple[int, int] = (90, 28)):
        super().__init__()
        self.command = command
        self.env = env or []
        self.hold = hold
        self.exit_code: int | None = None
        self.program = os.path.basename(command[0])

        self.terminal = lumenvale.TerminalWidget(self)
        self.terminal.setTerminalPalette(make_palette(scheme))
        self.default_font = self.terminal.terminalFont()
        if font_size > 0:
            self.default_font.setPointSizeF(font_size)
        self.terminal.setTerminalFont(self.default_font)
        # A bar that is always there keeps the grid from narrowing (and the
        # program from being resized) when the first line enters the scrollback.
        self.terminal.setVerticalScrollBarPolicy(Qt.ScrollBarPolicy.ScrollBarAlwaysOn)
        self.find_bar = FindBar(self.terminal)
        self.find_bar.hide()
        # The session is a Qt child of the window: it ends with it.
        self.session = lumenvale.PtySession.create(self)
        lumenvale.attach(self.terminal, self.session)
        self.flow_notice = FlowNotice(self.session)
        central = QWidget(self)
        column = QVBoxLayout(central)
        column.setContentsMargins(0, 0, 0, 0)
        column.setSpacing(0)
        column.addWidget(self.terminal, 1)
        column.addWidget(self.flow_notice)
        column.addWidget(self.find_bar)
        self.setCentralWidget(central)
        # Asked before closing while a program runs; a test may answer instead.
        self.ask_to_close: Callable[[QWidget, str], bool] = ask_to_close
        ask_before_multiline_paste(self.terminal)
        self.session.finished.connect(self.child_finished)
        self.terminal.titleChanged.connect(self.program_title_changed)
        self.terminal.bell.connect(self.ring)
        # The bell's visual cue: a translucent cover over the terminal.
        self.flash = QWidget(self.terminal.viewport())
        self.flash.setAttribute(Qt.WidgetAttribute.WA_StyledBackground)
        self.flash.setAttribute(Qt.WidgetAttribute.WA_TransparentForMouseEvents)
        self.flash.setStyleSheet("background: rgba(128, 128, 128, 90);")
        self.flash.hide()
        # The widget only reports a Ctrl+click on a link; opening it is ours.
        self.terminal.linkActivated.connect(QDesktopServices.openUrl)

        self.add_font_actions()
        self.add_context_menu()
        self.scheme_menu = scheme_menu(self, self.terminal.setTerminalPalette,
                                       "Default" if scheme == "default" else scheme)
        self.menuBar().addMenu(self.scheme_menu)
        self.setWindowTitle(self.program)
        self.resize_to_grid(*grid)

    def resize_to_grid(self, columns: int, rows: int) -> None:
        """Sizes the window so that the terminal shows columns x rows cells."""
        scroll_bar = self.terminal.verticalScrollBar().sizeHint().width()
        self.resize(columns * self.terminal.cellWidth() + scroll_bar,
                    rows * self.terminal.cellHeight())

    def add_font_actions(self) -> None:
        # Window shortcuts are matched before the terminal sees the key, so
        # these combinations change the font instead of reaching the program.
        # Ctrl+= is Ctrl+Plus without Shift on most layouts.
        for label, keys, step in (("Larger font", ["Ctrl++", "Ctrl+="], FONT_STEP),
                                  ("Smaller font", ["Ctrl+-"], -FONT_STEP),
                                  ("Default font size", ["Ctrl+0"], 0.0)):
            action = QAction(label, self)
            action.setShortcuts([QKeySequence(k) for k in keys])
            action.triggered.connect(lambda _=False, s=step: self.change_font_size(s))
            self.addAction(action)
        find = QAction("Find", self)
        find.setShortcut(QKeySequence("Ctrl+Shift+F"))
        find.triggered.connect(self.find_bar.open)
        self.addAction(find)

    def add_context_menu(self) -> None:
        # The widget's own actions carry its shortcuts; the menu adds link
        # entries over a link, and the window's find, clear and reset.
        self.extra_actions = []
        for label, slot in (("Find...", self.find_bar.open),
                            ("Clear Scrollback", lambda: clear_scrollback(self.terminal)),
                            ("Reset", lambda: reset_terminal(self.terminal))):
            action = QAction(label, self)
            action.triggered.connect(slot)
            self.extra_actions.append(action)
        install_context_menu(self.terminal, self.extra_actions)

    def change_font_size(self, step: float) -> None:
        """Grows or shrinks the font; the grid follows and the program is told."""
        font = self.terminal.terminalFont()
        if step == 0:
            font.setPointSizeF(self.default_font.pointSizeF())
        else:
            font.setPointSizeF(max(MIN_POINT_SIZE, font.pointSizeF() + step))
        self.terminal.setTerminalFont(font)

    def program_title_changed(self, title: str) -> None:
        if self.exit_code is None:
            self.setWindowTitle(title or self.program)

    def ring(self) -> None:
        """The bell: flashes the terminal and asks the desktop for attention."""
        self.flash.setGeometry(self.terminal.viewport().rect())
        self.flash.show()
        QTimer.singleShot(120, self.flash.hide)
        QApplication.alert(self)

    def start(self) -> bool:
        """Starts the program on a pseudo terminal of the widget's grid size."""
        program, *args = self.command
        ok = self.session.start(program, args, self.env, self.terminal.columns(),
                                self.terminal.terminalRows())
        if not ok:
            self.show_message(f"cannot start {program}: {self.session.error()}")
            self.setWindowTitle(f"{self.program} (failed to start)")
        return ok

    def show_message(self, text: str) -> None:
        """Writes a highlighted line into the terminal, below the program's output."""
        self.terminal.feed(f"\r\n\x1b[0;7m {text} \x1b[0m\r\n".encode())

    def child_finished(self, exit_code: int) -> None:
        if self.exit_code is not None:
            return
        self.exit_code = exit_code
        self.setWindowTitle(f"{self.program} (exit code {exit_code})")
        if self.hold or exit_code != 0:
            self.show_message(f"{self.program} exited with code {exit_code}")
        else:
            self.close()

    def closeEvent(self, event) -> None:  # noqa: N802 (Qt's name)
        program = running_program(self.session) if self.exit_code is None else ""
        if program and not self.ask_to_close(self, program):
            event.ignore()
            return
        # Closing ends the program; that is not an exit worth reporting.
        if self.exit_code is None:
            self.session.finished.disconnect(self.child_finished)
            self.session.terminate()
        super().closeEvent(event)


def parse_args(argv: list[str]) -> argparse.Namespace:
    parser = argparse.ArgumentParser(
        description="A terminal window built on lumenvale.",
        epilog="Ctrl+Plus/Ctrl+Minus/Ctrl+0 change the font size; Ctrl+Shift+C/V/A copy, "
               "paste and select all; Ctrl+Shift+F finds; Ctrl+click opens a link; "
               "Shift+PageUp/PageDown scroll back.")
    parser.add_argument("--scheme", choices=SCHEME_CHOICES, default="default",
                        metavar="NAME", help="colour scheme: %(choices)s (default: %(default)s)")
    parser.add_argument("--font-size", type=float, default=0.0, metavar="POINTS",
                        help="font size in points (default: the system's fixed font)")
    parser.add_argument("--hold", action="store_true",
                        help="keep the window open when the program ends")
    parser.add_argument("command", nargs=argparse.REMAINDER,
                        help="program and arguments to run (default: your login shell)")
    args = parser.parse_args(argv)
    if args.command[:1] == ["--"]:
        args.command = args.command[1:]
    return args


def main(argv: list[str] | None = None) -> int:
    args = parse_args(sys.argv[1:] if argv is None else argv)
    app = QApplication.instance() or QApplication(sys.argv[:1])
    window = TerminalWindow(args.command or login_shell(), args.scheme, args.font_size, args.hold)
    window.show()
    window.start()
    app.exec()
    return window.exit_code or 0


if __name__ == "__main__":
    sys.exit(main())
