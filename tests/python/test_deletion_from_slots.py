"""A widget or a session deleted from a slot of one of its own signals (or
through its parent) is never touched again.  Each scenario runs in a child
process with freed memory overwritten (MALLOC_PERTURB_), so that a use after
free crashes its case instead of passing unnoticed or ending the test run."""

import os
import subprocess
import sys
import textwrap

import pytest

PRELUDE = textwrap.dedent(
    """
    import os, sys
    os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
    import shiboken6
    from PySide6.QtCore import QByteArray, QCoreApplication, QEvent, QObject, QPoint, Qt, QTimer
    from PySide6.QtTest import QTest
    from PySide6.QtWidgets import QApplication, QWidget
    import lumenvale

    app = QApplication([])
    calls = []

    def run_events(ms=300):
        QTimer.singleShot(ms, app.quit)
        app.exec()

    def shown_widget(parent=None):
        w = lumenvale.TerminalWidget(parent)
        w.resize(400, 240)
        (parent or w).show()
        return w

    def deleter(victim):
        def slot(*args):
            calls.append(args)
            if shiboken6.isValid(victim):
                shiboken6.delete(victim)
        return slot
    """
)

SCENARIOS = {
    "widget dataReady during feed": """
        w = shown_widget()
        w.dataReady.connect(deleter(w))
        w.feed(b"\\x1b[c" + b"A" * 100 + b"\\x1b[6n" * 10)
        assert len(calls) == 1
    """,
    "widget dataReady during feed deletes the parent": """
        parent = QWidget()
        w = shown_widget(parent)
        w.dataReady.connect(deleter(parent))
        w.feed(b"\\x1b[6n" * 50 + b"text\\r\\n" * 100)
        assert len(calls) == 1 and not shiboken6.isValid(w)
    """,
    "widget dataReady answered with a feed, then deleted": """
        w = shown_widget()
        def answer(data):
            calls.append(data)
            if len(calls) < 3:
                w.feed(b"\\x1b[5n")
            else:
                shiboken6.delete(w)
        w.dataReady.connect(answer)
        w.feed(b"\\x1b[5n" + b"B" * 5000)
        assert len(calls) == 3
    """,
    "widget dataReady from a key press": """
        w = shown_widget()
        w.dataReady.connect(deleter(w))
        QTest.keyClick(w, Qt.Key.Key_A)
        run_events(50)
        assert len(calls) == 1
    """,
    "widget dataReady from paste": """
        w = shown_widget()
        w.dataReady.connect(deleter(w))
        w.paste("pasted text")
        assert len(calls) == 1
    """,
    "widget resized from a resize": """
        w = shown_widget()
        app.processEvents()
        w.resized.connect(deleter(w))
        w.resize(700, 500)
        app.processEvents()
        assert len(calls) == 1
    """,
    "widget resized from a font change": """
        w = shown_widget()
        run_events(50)
        w.resized.connect(deleter(w))
        font = w.terminalFont()
        font.setPointSize(font.pointSize() * 3)
        w.setTerminalFont(font)
        run_events(50)
        assert len(calls) == 1
    """,
    "widget selectionChanged from selectAll": """
        w = shown_widget()
        w.feed(b"some text")
        w.selectionChanged.connect(deleter(w))
        w.selectAll()
        assert len(calls) == 1
    """,
    "widget selectionChanged from a mouse drag": """
        w = shown_widget()
        w.feed(b"some words on a line")
        run_events(50)
        w.selectionChanged.connect(deleter(w))
        QTest.mousePress(w.viewport(), Qt.MouseButton.LeftButton, Qt.KeyboardModifier.NoModifier, QPoint(2, 2))
        run_events(50)
        assert len(calls) == 1
    """,
    "widget selectionChanged from a double click": """
        w = shown_widget()
        w.feed(b"some words on a line")
        run_events(50)
        w.selectionChanged.connect(deleter(w))
        QTest.mouseDClick(w.viewport(), Qt.MouseButton.LeftButton, Qt.KeyboardModifier.NoModifier, QPoint(2, 2))
        run_events(50)
        assert len(calls) >= 1
    """,
    "widget dataReady from wheel reports": """
        from PySide6.QtCore import QPointF
        from PySide6.QtGui import QWheelEvent
        w = shown_widget()
        w.feed(b"\\x1b[?1000h")
        w.dataReady.connect(deleter(w))
        wheel = QWheelEvent(QPointF(5, 5), QPointF(5, 5), QPoint(0, 0), QPoint(0, 360), Qt.MouseButton.NoButton,
                            Qt.KeyboardModifier.NoModifier, Qt.ScrollPhase.NoScrollPhase, False)
        QApplication.sendEvent(w.viewport(), wheel)
        assert len(calls) == 1
    """,
    "widget cursorStyleChanged": """
        w = shown_widget()
        w.cursorStyleChanged.connect(deleter(w))
        w.setCursorStyle(lumenvale.TerminalWidget.CursorStyle.SteadyBar)
        assert len(calls) == 1
    """,
    "widget titleChanged during feed": """
        w = shown_widget()
        w.titleChanged.connect(deleter(w))
        w.feed(b"\\x1b]2;title\\x07\\x1b]7;file:///tmp\\x07" + b"text" * 100 + b"\\x1b[6n")
        assert len(calls) == 1
    """,
    "widget currentDirectoryChanged during feed": """
        w = shown_widget()
        w.currentDirectoryChanged.connect(deleter(w))
        w.feed(b"\\x1b]7;file:///tmp\\x07\\x1b]2;title\\x07" + b"text" * 100 + b"\\x1b[6n")
        assert len(calls) == 1
    """,
    "widget bell": """
        w = shown_widget()
        w.bell.connect(deleter(w))
        w.feed(b"\\x07" * 10)
        w.feed(b"\\x07")
        run_events(50)
        assert len(calls) == 1
    """,
    "session dataReceived": """
        s = lumenvale.PtySession.create()
        s.dataReceived.connect(deleter(s))
        assert s.start("sh", ["-c", "echo one; sleep 0.1; echo two; sleep 30"], [], 80, 24)
        run_events(600)
        assert len(calls) == 1
    """,
    "session dataReceived deletes the parent": """
        parent = QObject()
        s = lumenvale.PtySession.create(parent)
        s.dataReceived.connect(deleter(parent))
        assert s.start("sh", ["-c", "seq 1 100000; sleep 30"], [], 80, 24)
        run_events(600)
        assert len(calls) == 1 and not shiboken6.isValid(s)
    """,
    "session finished on exit": """
        s = lumenvale.PtySession.create()
        s.finished.connect(deleter(s))
        assert s.start("sh", ["-c", "echo bye; exit 3"], [], 80, 24)
        run_events(800)
        assert calls == [(3,)]
    """,
    "session finished from terminate": """
        s = lumenvale.PtySession.create()
        s.finished.connect(deleter(s))
        assert s.start("sleep", ["30"], [], 80, 24)
        s.terminate()
        run_events(800)
        assert len(calls) == 1
    """,
    "session finished from terminate before start": """
        s = lumenvale.PtySession.create()
        s.finished.connect(deleter(s))
        s.terminate()
        assert calls == [(0,)]
    """,
    "attached widget's reply deletes the session": """
        w = shown_widget()
        s = lumenvale.PtySession.create()
        lumenvale.attach(w, s)
        w.dataReady.connect(deleter(s))
        assert s.start("sh", ["-c", "printf '\\\\033[6n'; sleep 30"], [], 80, 24)
        run_events(600)
        assert len(calls) == 1
        w.feed(b"still alive")
    """,
}


@pytest.mark.parametrize("name", sorted(SCENARIOS))
def test_deleted_from_its_own_slot_is_never_touched_again(name):
    script = PRELUDE + textwrap.dedent(SCENARIOS[name]) + "\nprint('survived')\n"
    env = dict(os.environ, MALLOC_PERTURB_="165")
    result = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=60, env=env)
    assert result.returncode == 0 and "survived" in result.stdout, (result.returncode, result.stderr[-3000:])
