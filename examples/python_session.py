#!/usr/bin/env python3
"""A PtySession written in Python that is not a pseudo terminal.

PipeSession runs a program with plain pipes (QProcess) and does, in a few
lines, what a pseudo terminal's line discipline would do for it: it echoes
what is typed, lets Backspace edit the line, sends the line on Enter, turns
Ctrl+C into an interrupt and Ctrl+D on an empty line into end of input, and
turns the program's bare line feeds into CR LF.  Attached to a TerminalWidget
it behaves like any session: attach() routes the widget's keys to the Python
write() override and dataReceived back to the widget.

    python3 examples/python_session.py                 # a Python prompt
    python3 examples/python_session.py -- bc -q        # any line-based program
"""

from __future__ import annotations

import os
import re
import signal
import sys
import unicodedata

from PySide6.QtCore import QProcess, QProcessEnvironment
from PySide6.QtWidgets import QApplication

import lumenvale

# Key sequences (cursor keys, function keys, paste brackets) have no meaning
# for a line-based program; they are dropped from the input.
ESCAPE_SEQUENCE = re.compile(rb"\x1b(\[[0-9;?]*[ -/]*[@-~]|O.|.)", re.DOTALL)


def display_width(char: str) -> int:
    return 2 if unicodedata.east_asian_width(char) in "WF" else 1


class PipeSession(lumenvale.PtySession):
    """A session over pipes, with local echo and line editing."""

    def __init__(self, parent=None):
        super().__init__(parent)
        self.process = QProcess(self)
        self.process.setProcessChannelMode(QProcess.MergedChannels)
        self.process.readyReadStandardOutput.connect(self.read_output)
        self.process.finished.connect(self.process_finished)
        self.line = ""  # the line being typed, not yet sent
        self.error_text = ""
        self.finish_reported = False

    # The six operations of the session contract.

    def start(self, program, args, env, cols, rows):
        environment = QProcessEnvironment.systemEnvironment()
        for entry in env:
            name, _, value = entry.partition("=")
            environment.insert(name, value)
        # No terminal, so tell size-aware programs the size the usual way.
        environment.insert("COLUMNS", str(cols))
        environment.insert("LINES", str(rows))
        environment.insert("TERM", "dumb")
        self.process.setProcessEnvironment(environment)
        self.finish_reported = False
        self.process.start(program, list(args))
        if not self.process.waitForStarted(5000):
            self.error_text = f"cannot start {program}: {self.process.errorString()}"
            return False
        self.error_text = ""
        return True

    def running(self):
        return self.process.state() != QProcess.NotRunning

    def error(self):
        return self.error_text

    def write(self, data):
        if not self.running():
            return
        text = ESCAPE_SEQUENCE.sub(b"", bytes(data)).decode("utf-8", "replace")
        echo = []
        for char in text:
            if char in "\r\n":
                echo.append("\r\n")
                self.process.write((self.line + "\n").encode())
                self.line = ""
            elif char in "\x7f\b":
                if self.line:
                    width = display_width(self.line[-1])
                    self.line = self.line[:-1]
                    echo.append("\b" * width + " " * width + "\b" * width)
            elif char == "\x03":
                echo.append("^C\r\n")
                self.line = ""
                if os.name == "posix":  # Windows has no signal to send here
                    os.kill(self.process.processId(), signal.SIGINT)
            elif char == "\x04":
                if not self.line:
                    self.process.closeWriteChannel()
            elif char >= " ":
                self.line += char
                echo.append(char)
        if echo:
            self.dataReceived.emit("".join(echo).encode())

    def resize(self, cols, rows):
        pass  # pipes have no size; the program saw COLUMNS and LINES at start

    def terminate(self):
        if self.running():
            self.process.kill()
            self.process.waitForFinished(3000)
        self.report_finished(self.process.exitCode())

    # Output and exit.

    def read_output(self):
        data = bytes(self.process.readAllStandardOutput())
        # A terminal driver would add the carriage returns; do the same.
        self.dataReceived.emit(data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"))

    def process_finished(self, exit_code, _status):
        self.read_output()
        self.report_finished(exit_code)

    def report_finished(self, exit_code):
        if not self.finish_reported:
            self.finish_reported = True
            self.finished.emit(exit_code)


class PipeTerminal(lumenvale.TerminalWidget):
    """A terminal widget with its own PipeSession."""

    def __init__(self, command: list[str]):
        super().__init__()
        self.setWindowTitle(f"{os.path.basename(command[0])} over pipes")
        self.resize(80 * self.cellWidth(), 24 * self.cellHeight())
        self.command = command
        self.session = PipeSession(self)  # parented: lives as long as the widget
        lumenvale.attach(self, self.session)
        self.session.finished.connect(lambda code: self.feed(f"\r\n[exit code {code}]\r\n".encode()))

    def start(self) -> bool:
        program, *args = self.command
        if self.session.start(program, args, [], self.columns(), self.terminalRows()):
            return True
        self.feed(self.session.error().encode() + b"\r\n")
        return False


def open_window(command: list[str]) -> PipeTerminal:
    """Shows a terminal running `command` through a PipeSession."""
    terminal = PipeTerminal(command)
    terminal.show()
    terminal.start()
    return terminal


def main(argv: list[str] | None = None) -> int:
    argv = sys.argv[1:] if argv is None else argv
    if argv[:1] == ["--"]:
        argv = argv[1:]
    app = QApplication.instance() or QApplication(sys.argv[:1])
    terminal = open_window(argv or [sys.executable, "-i", "-q", "-u"])
    app.exec()
    terminal.session.terminate()
    return 0


if __name__ == "__main__":
    sys.exit(main())
