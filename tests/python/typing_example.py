"""A small program that uses the whole lumenvale API; test_typing.py checks it
with mypy --strict against the shipped stub.  It is type-checked, not run."""

import copy
from collections.abc import Sequence

from PySide6.QtCore import QByteArray, QObject, QUrl
from PySide6.QtGui import QColor, QFont, QKeyEvent
from PySide6.QtWidgets import QApplication, QWidget

import lumenvale


class EchoSession(lumenvale.PtySession):
    def __init__(self, parent: QObject | None = None) -> None:
        super().__init__(parent)
        self.sent = QByteArray()

    def start(self, program: str, args: Sequence[str], env: Sequence[str], cols: int, rows: int) -> bool:
        return bool(program)

    def running(self) -> bool:
        return False

    def error(self) -> str:
        return ""

    def write(self, data: QByteArray | bytes | bytearray | memoryview) -> None:
        self.dataReceived.emit(data)

    def resize(self, cols: int, rows: int) -> None:
        pass

    def terminate(self) -> None:
        self.finished.emit(0)


class LoggingTerminal(lumenvale.TerminalWidget):
    def __init__(self, parent: QWidget | None = None) -> None:
        super().__init__(parent)
        self.keys: list[int] = []

    def keyPressEvent(self, event: QKeyEvent) -> None:
        self.keys.append(event.key())
        super().keyPressEvent(event)


def on_data(data: QByteArray) -> None:
    print(bytes(data.data()))


def on_resized(cols: int, rows: int) -> None:
    print(cols, rows)


def on_finished(code: int) -> None:
    print(code)


def main() -> None:
    app = QApplication([])
    w = LoggingTerminal()
    w.dataReady.connect(on_data)
    w.resized.connect(on_resized)
    w.selectionChanged.connect(lambda has: print(has))
    w.bell.connect(lambda: None)

    session = lumenvale.PtySession.create(parent=w)
    session.finished.connect(on_finished)
    lumenvale.attach(w, session)
    echo = EchoSession(w)
    lumenvale.attach(w, echo)
    session.setWorkingDirectory("/tmp")
    folder: str = session.workingDirectory()
    print(folder)
    ok: bool = session.start("sh", ["-c", "echo hi"], ["A=1"], w.columns(), w.terminalRows())
    pid: int = session.processId()
    print(pid)
    if not ok:
        print(session.error())
    session.write(b"x")
    session.resize(80, 24)
    print(session.running())
    session.terminate()

    w.feed(b"\x1b[31mred\x1b[0m")
    w.feed(QByteArray(b"more"))
    w.send("ls\n")
    w.paste("pasted")
    w.refresh()
    size: tuple[int, int, int, int] = (w.columns(), w.terminalRows(), w.cellWidth(), w.cellHeight())
    lines: tuple[int, int, int] = (w.firstLine(), w.endLine(), w.viewTopLine())
    texts: list[str] = [w.lineAt(lines[0]), w.screenText(), w.sessionText(), w.selectedText()]
    w.setScrollbackSize(w.scrollbackSize() + 100)
    w.setSelection(0, 0, 0, 3)
    if w.hasSelection():
        w.copySelection()
    w.selectAll()
    w.clearSelection()
    w.setSelectionColor("#335577")
    colour: QColor = w.selectionColor()
    found: bool = w.find("needle") or w.find("needle", True, caseSensitive=True)
    limit: int = w.scrollbackLimit()
    w.setCursorStyle(lumenvale.TerminalWidget.CursorStyle.BlinkingBar)
    style: lumenvale.TerminalWidget.CursorStyle = w.cursorStyle()
    w.cursorStyleChanged.connect(lambda s: print(s))
    title: str = w.title()
    icon: str = w.iconTitle()
    directory: QUrl = w.currentDirectory()
    w.titleChanged.connect(lambda t: print(t))
    w.iconTitleChanged.connect(lambda t: print(t))
    w.currentDirectoryChanged.connect(lambda url: print(url.toLocalFile()))
    print(title, icon, directory.toLocalFile())
    w.linkActivated.connect(lambda url: print(url.toString()))
    print(found, limit, style, w.sizeHint(), w.minimumSizeHint())
    w.setTerminalFont("DejaVu Sans Mono")
    w.setTerminalFont(QFont("Monospace"))
    font: QFont = w.terminalFont()

    p = w.terminalPalette()
    p.set_foreground(QColor("white"))
    p.set_background("#000000")
    p.set_cursor(0x00FF00)
    p.set_ansi(1, "red")
    resolved: QColor = p.color(1, p.foreground(), bold=True)
    twin = copy.copy(p)
    other = lumenvale.Palette(twin)
    w.setTerminalPalette(other)
    print(size, texts, colour, font, resolved, p.background(), p.cursor())

    encoded: str = lumenvale.encode_text("a\nb", True)
    numbers = lumenvale.QIntList()
    numbers.append(3)
    first: int = numbers[0]
    print(encoded, first, len(numbers))
    app.exec()
