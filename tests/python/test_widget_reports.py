"""What the widget reports to programs and to the host, from Python and end to
end through a real /bin/sh child: mouse clicks and alternate-screen wheel
steps reach the child as bytes, and find, the cursor style, the size hints and
the scrollback limit work from Python."""

import shutil

import pytest
from PySide6.QtCore import QPoint, QPointF, Qt
from PySide6.QtGui import QWheelEvent
from PySide6.QtTest import QTest
from PySide6.QtWidgets import QApplication

import lumenvale

needs_sh = pytest.mark.skipif(shutil.which("sh") is None, reason="needs a POSIX shell")


def run_reader(widget, qtbot, setup, count):
    """Starts a shell that sends `setup` to the terminal, prints READY, reads
    `count` raw bytes from the terminal and prints them in hex after GOT:."""
    session = lumenvale.PtySession.create(parent=widget)
    lumenvale.attach(widget, session)
    script = (
        f"stty raw -echo; printf '{setup}READY'; "
        f"v=$(dd bs=1 count={count} 2>/dev/null | od -An -tx1 | tr -d ' \\n'); "
        "printf '\\r\\nGOT:%s:END\\r\\n' \"$v\"; sleep 5"
    )
    assert session.start("/bin/sh", ["-c", script], [], widget.columns(), widget.terminalRows()), session.error()
    qtbot.waitUntil(lambda: "READY" in widget.screenText(), timeout=10000)
    return session


def got(widget, qtbot):
    qtbot.waitUntil(lambda: ":END" in widget.screenText(), timeout=10000)
    text = widget.screenText()
    return bytes.fromhex(text[text.index("GOT:") + 4 : text.index(":END")])


def cell_centre(widget, column, row):
    return QPoint(column * widget.cellWidth() + widget.cellWidth() // 2, row * widget.cellHeight() + widget.cellHeight() // 2)


@needs_sh
def test_mouse_clicks_reach_the_child(widget, qtbot):
    session = run_reader(widget, qtbot, r"\033[?1000h\033[?1006h", 18)
    QTest.mouseClick(widget.viewport(), Qt.LeftButton, Qt.NoModifier, cell_centre(widget, 4, 2))
    assert got(widget, qtbot) == b"\x1b[<0;5;3M\x1b[<0;5;3m"
    assert not widget.hasSelection()
    session.terminate()


@needs_sh
def test_wheel_on_the_alternate_screen_sends_cursor_keys_to_the_child(widget, qtbot):
    session = run_reader(widget, qtbot, r"\033[?1049h", 9)
    pos = QPointF(cell_centre(widget, 1, 1))
    event = QWheelEvent(pos, QPointF(widget.viewport().mapToGlobal(pos.toPoint())), QPoint(), QPoint(0, -120),
                        Qt.NoButton, Qt.NoModifier, Qt.NoScrollPhase, False)
    QApplication.sendEvent(widget.viewport(), event)
    assert got(widget, qtbot) == b"\x1b[B" * 3
    session.terminate()


def test_find_cursor_style_size_hints_and_scrollback_limit(widget, qtbot):
    widget.feed(b"first needle\r\nsecond line\r\nthird NEEDLE")
    assert widget.find("needle")
    assert widget.selectedText() == "needle"
    assert widget.find("needle", True, True)
    assert widget.selectedText() == "needle"
    assert widget.find("NEEDLE", caseSensitive=True)
    assert widget.selectedText() == "NEEDLE"
    assert not widget.find("absent") and widget.selectedText() == "NEEDLE"

    styles = []
    widget.cursorStyleChanged.connect(styles.append)
    assert widget.cursorStyle() == lumenvale.TerminalWidget.CursorStyle.SteadyBlock
    widget.setCursorStyle(lumenvale.TerminalWidget.CursorStyle.BlinkingBar)
    assert widget.cursorStyle() == lumenvale.TerminalWidget.CursorStyle.BlinkingBar
    assert styles == [lumenvale.TerminalWidget.CursorStyle.BlinkingBar]

    hint = widget.sizeHint()
    assert hint.width() >= 80 * widget.cellWidth() and hint.height() >= 24 * widget.cellHeight()
    assert widget.minimumSizeHint().width() < hint.width() // 4

    assert widget.scrollbackLimit() == 5000
    widget.setScrollbackSize(10)
    assert widget.scrollbackLimit() == 10
