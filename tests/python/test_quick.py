"""The Qt Quick terminal from Python: register_qml_types() makes TerminalItem
the QML element Terminal of Lumenvale 1.0, and the item created by QML works
like the widget: output in, a Python session attached, the scroll properties
a ScrollBar binds to."""

import os

import pytest
from PySide6.QtCore import QByteArray, QUrl
from PySide6.QtQml import QQmlComponent, QQmlEngine

import lumenvale
from test_session import RecordingSession

os.environ["QT_QUICK_BACKEND"] = "software"


@pytest.fixture
def item(qtbot):
    lumenvale.register_qml_types()
    engine = QQmlEngine()
    component = QQmlComponent(engine)
    component.setData(QByteArray(b"import Lumenvale 1.0\nTerminal { width: 400; height: 160 }"), QUrl("inline.qml"))
    created = component.create()
    assert created is not None, [e.toString() for e in component.errors()]
    yield created
    created.deleteLater()


def test_qml_creates_the_item_with_its_grid(item):
    assert isinstance(item, lumenvale.TerminalItem)
    assert item.property("columns") == item.columns() == 400 // item.cellWidth()
    assert item.property("rows") == 160 // item.cellHeight()


def test_output_titles_and_scroll_properties(item, qtbot):
    with qtbot.waitSignal(item.titleChanged):
        item.feed(b"\x1b]2;from qml\x07" + b"".join(b"%d\r\n" % i for i in range(30)))
    assert item.property("title") == "from qml"
    assert item.property("scrollbackSize") == 31 - item.terminalRows()
    assert item.property("scrollPosition") + item.property("scrollSize") == pytest.approx(1.0)
    item.setProperty("scrollPosition", 0.0)
    assert item.viewTopLine() == item.firstLine()
    assert item.lineAt(item.viewTopLine()).strip() == "0"


def test_attach_wires_the_item_to_a_python_session(item):
    session = RecordingSession()
    lumenvale.attach(item, session)
    assert item.send("ls\n")
    item.feed(b"\x1b[6n")  # a cursor position report goes back to the session
    assert session.calls == [("write", b"ls\r"), ("write", b"\x1b[1;1R")]
