"""Links end to end: a real /bin/sh child prints an OSC 8 link and a plain URL,
and Ctrl+click on each emits linkActivated with its URL; a plain click does not."""

import shutil

import pytest
from PySide6.QtCore import QPoint, Qt, QUrl
from PySide6.QtTest import QTest

import lumenvale

needs_sh = pytest.mark.skipif(shutil.which("sh") is None, reason="needs a POSIX shell")


def cell_centre(widget, column, row):
    return QPoint(column * widget.cellWidth() + widget.cellWidth() // 2, row * widget.cellHeight() + widget.cellHeight() // 2)


@needs_sh
def test_ctrl_click_on_links_printed_by_a_child(widget, qtbot):
    session = lumenvale.PtySession.create(parent=widget)
    lumenvale.attach(widget, session)
    script = (r"printf '\033]8;;https://example.org/osc\033\\here\033]8;;\033\\ and "
              r"(see http://example.net/a_(b).)\r\nDONE'; sleep 5")
    assert session.start("/bin/sh", ["-c", script], [], widget.columns(), widget.terminalRows()), session.error()
    qtbot.waitUntil(lambda: "DONE" in widget.screenText(), timeout=10000)
    lines = [line.rstrip() for line in widget.screenText().split("\n")]
    row = lines.index("here and (see http://example.net/a_(b).)")

    urls = []
    widget.linkActivated.connect(urls.append)
    viewport = widget.viewport()
    QTest.mouseClick(viewport, Qt.LeftButton, Qt.ControlModifier, cell_centre(widget, 2, row))
    QTest.mouseClick(viewport, Qt.LeftButton, Qt.ControlModifier, cell_centre(widget, 20, row))
    QTest.mouseClick(viewport, Qt.LeftButton, Qt.NoModifier, cell_centre(widget, 20, row))
    QTest.mouseClick(viewport, Qt.LeftButton, Qt.ControlModifier, cell_centre(widget, 6, row))  # "and"
    assert urls == [QUrl("https://example.org/osc"), QUrl("http://example.net/a_(b)")]
    session.terminate()
