"""The Python surface of lumenvale: argument checking, conversions, value
semantics, signals, overridden handlers and the lifetime of wrapped objects."""

import copy
import gc

import pytest
import shiboken6
from PySide6.QtCore import QByteArray, QEvent, QObject, QSize, Qt, Signal
from PySide6.QtGui import QColor, QFont
from PySide6.QtTest import QTest

import lumenvale


@pytest.mark.parametrize(
    "call, qualified",
    [
        (lambda w: lumenvale.attach(w), "lumenvale.vesper.attach"),
        (lambda w: lumenvale.attach(), "lumenvale.vesper.attach"),
        (lambda w: lumenvale.attach(w, None, None), "lumenvale.vesper.attach"),
        (lambda w: lumenvale.attach(w, 1), "lumenvale.vesper.attach"),
        (lambda w: lumenvale.attach("w", w), "lumenvale.vesper.attach"),
        (lambda w: lumenvale.encode_text("a"), "lumenvale.vesper.encode_text"),
        (lambda w: lumenvale.encode_text("a", True, 1), "lumenvale.vesper.encode_text"),
        (lambda w: lumenvale.encode_text(b"a", True), "lumenvale.vesper.encode_text"),
        (lambda w: lumenvale.encode_text(1, True), "lumenvale.vesper.encode_text"),
    ],
)
def test_wrong_arguments_of_module_functions_name_the_qualified_function(widget, call, qualified):
    with pytest.raises(TypeError, match=qualified.replace(".", r"\.")):
        call(widget)


@pytest.mark.parametrize(
    "call",
    [
        lambda w: lumenvale.TerminalWidget(w, w),
        lambda w: lumenvale.PtySession.create(w, w),
        lambda w: w.feed(1),
        lambda w: w.setSelection(0, 0),
        lambda w: w.lineAt("x"),
        lambda w: lumenvale.Palette().set_ansi("x", QColor("red")),
        lambda w: lumenvale.attach(widget=w, session=None),
    ],
)
def test_wrong_arguments_of_methods_raise_type_error(widget, call):
    with pytest.raises(TypeError):
        call(widget)


def test_module_lists_its_api_and_nothing_of_the_namespace():
    names = [n for n in dir(lumenvale) if not n.startswith("_")]
    assert names == [
        "Palette", "PtySession", "QIntList", "TerminalItem", "TerminalWidget", "attach", "encode_text",
        "register_qml_types",
    ]


def test_abstract_session_cannot_be_instantiated():
    with pytest.raises(NotImplementedError, match="vesper::PtySession"):
        lumenvale.PtySession()


@pytest.mark.parametrize(
    "text, bracketed, expected",
    [
        ("a\r\nb", False, "a\rb"),
        ("a\nb", False, "a\rb"),
        ("a\r\rb", False, "a\r\rb"),
        ("\r\n\n", False, "\r\r"),
        ("\u00e9", False, "\u00e9"),
        ("", False, ""),
        ("", True, "\x1b[200~\x1b[201~"),
        ("x\ny", True, "\x1b[200~x\ry\x1b[201~"),
        # ESC inside a bracketed paste is dropped, so pasted text cannot forge
        # the end marker and run the rest as typed input.
        ("\x1b[201~rm -rf\n", True, "\x1b[200~[201~rm -rf\r\x1b[201~"),
        ("\x1b[A", False, "\x1b[A"),
        # ^C, ^Z and ^\ inside a paste would become signals through the tty.
        ("echo a\x03 touch F\x1a\x1c\x00\x7f\x85\r", True, "\x1b[200~echo a touch F\r\x1b[201~"),
        ("a\x03\x7f", False, "a\x03\x7f"),
    ],
)
def test_encode_text(text, bracketed, expected):
    result = lumenvale.encode_text(text, bracketed)
    assert isinstance(result, str) and result == expected


def test_feed_takes_bytes_bytearray_and_qbytearray_alike(qtbot):
    stream = b"\x1b[1mbold\x1b[0m caf\xc3\xa9\r\nsecond line\x1b[2;3H*"
    texts = []
    for data in (stream, bytearray(stream), QByteArray(stream)):
        w = lumenvale.TerminalWidget()
        qtbot.addWidget(w)
        w.feed(data)
        texts.append(w.screenText())
    assert [line.rstrip() for line in texts[0].splitlines()[:2]] == ["bold café", "se*ond line"]
    assert texts[1] == texts[0] and texts[2] == texts[0]


def test_palette_copies_are_independent():
    original = lumenvale.Palette()
    original.set_ansi(1, QColor("#123456"))
    for duplicate in (copy.copy(original), lumenvale.Palette(original)):
        assert duplicate.color(1, QColor("black")) == QColor("#123456")
        duplicate.set_ansi(1, QColor("#abcdef"))
        duplicate.set_foreground("white")
        assert original.color(1, QColor("black")) == QColor("#123456")
        assert original.foreground() != QColor("white")


def test_palette_accepts_every_colour_form():
    p = lumenvale.Palette()
    for value, expected in [
        ("#102030", QColor("#102030")),
        (Qt.GlobalColor.red, QColor(Qt.GlobalColor.red)),
        (0x405060, QColor(0x40, 0x50, 0x60)),
        (QColor(1, 2, 3, 4), QColor(1, 2, 3, 4)),
    ]:
        p.set_cursor(value)
        assert p.cursor() == expected
    assert p.color(-1, "#010203") == QColor("#010203")
    assert p.color(0x1000000 | 0xAABBCC, "black") == QColor("#aabbcc")


def test_palette_files_raise_instead_of_returning_a_default(tmp_path):
    saved = lumenvale.Palette.from_scheme("Tango Light")
    saved.set_selection_background("#334455")
    saved.save(str(tmp_path / "scheme.json"))
    assert lumenvale.Palette.load(str(tmp_path / "scheme.json")) == saved
    (tmp_path / "bad.json").write_text('{"foreground": "#ffffff"}')
    for call, error in [
        (lambda: lumenvale.Palette.load(str(tmp_path / "bad.json")), ValueError),
        (lambda: lumenvale.Palette.load(str(tmp_path / "missing.json")), ValueError),
        (lambda: lumenvale.Palette.from_scheme("No Such Scheme"), ValueError),
        (lambda: saved.save(str(tmp_path / "no" / "folder.json")), OSError),
    ]:
        with pytest.raises(error):
            call()


def test_terminal_palette_is_returned_as_a_copy(widget):
    p = widget.terminalPalette()
    p.set_background("#224466")
    assert widget.terminalPalette().background() != QColor("#224466")
    widget.setTerminalPalette(p)
    assert widget.terminalPalette().background() == QColor("#224466")


def test_word_characters_round_trip_as_str(widget):
    assert widget.wordCharacters() == "-#%&+,./:=?@_~"
    widget.setWordCharacters("'\u00e9")
    assert widget.wordCharacters() == "'\u00e9"


def test_font_accepts_family_strings_and_lists(widget):
    widget.setTerminalFont("DejaVu Sans Mono")
    assert isinstance(widget.terminalFont(), QFont)
    assert widget.terminalFont().fixedPitch()
    widget.setTerminalFont(["DejaVu Sans Mono", "Monospace"])
    assert widget.cellWidth() > 0 and widget.cellHeight() > 0


def test_signals_reach_python_slots(widget, qtbot):
    data, selections, sizes = [], [], []
    widget.dataReady.connect(lambda d: data.append(bytes(d)))
    widget.selectionChanged.connect(selections.append)
    widget.resized.connect(lambda c, r: sizes.append((c, r)))

    widget.send("hi\n")
    widget.feed(b"\x1b[6n")  # cursor position report goes out as dataReady
    assert data == [b"hi\r", b"\x1b[1;1R"]

    widget.feed(b"some text")
    widget.selectAll()
    assert selections[-1] is True and widget.hasSelection()
    widget.clearSelection()
    assert selections[-1] is False and not widget.hasSelection()

    widget.resize(320, 200)
    qtbot.waitUntil(lambda: bool(sizes))
    assert sizes[-1] == (widget.columns(), widget.terminalRows())


def test_shell_integration(widget):
    codes = []
    widget.commandFinished.connect(codes.append)
    widget.feed(b"\x1b]133;A\a$ \x1b]133;B\als\r\n\x1b]133;C\aa\r\nb\r\n\x1b]133;D;2\a"
                b"\x1b]133;A\a$ ")
    assert codes == [2]
    assert widget.selectCommandOutput(0) and widget.selectedText() == "a\nb"
    assert not widget.selectCommandOutput(3)
    assert not widget.scrollToNextPrompt()
    assert widget.scrollToPreviousPrompt() is False  # no history above the screen


def test_python_overrides_of_event_handlers_are_called(qtbot):
    class Recording(lumenvale.TerminalWidget):
        def __init__(self):
            super().__init__()
            self.events = []

        def keyPressEvent(self, event):
            self.events.append(("key", event.key()))
            super().keyPressEvent(event)

        def changeEvent(self, event):
            if event.type() == QEvent.Type.EnabledChange:
                self.events.append(("change", self.isEnabled()))
            super().changeEvent(event)

        def resizeEvent(self, event):
            self.events.append(("resize", event.size().width()))
            super().resizeEvent(event)

    w = Recording()
    qtbot.addWidget(w)
    sent = []
    w.dataReady.connect(lambda d: sent.append(bytes(d)))
    w.resize(500, 300)
    w.show()
    qtbot.waitExposed(w)
    QTest.keyClick(w, Qt.Key.Key_A, Qt.KeyboardModifier.NoModifier, 0)
    w.setEnabled(False)
    assert ("key", Qt.Key.Key_A) in w.events
    assert ("change", False) in w.events
    assert any(kind == "resize" for kind, _ in w.events)
    # The overriding handler chained to the native one, which encoded the key.
    assert sent == [b"a"]


def test_python_overrides_of_inherited_virtuals_reach_native_callers(qtbot):
    class Sized(lumenvale.TerminalWidget):
        pinged = Signal(int)

        def sizeHint(self):
            return QSize(321, 123)

    w = Sized()
    qtbot.addWidget(w)
    w.adjustSize()  # native code asks the Python sizeHint
    assert (w.width(), w.height()) == (321, 123)
    received = []
    w.pinged.connect(received.append)
    w.pinged.emit(7)
    assert received == [7]


def test_override_returning_a_wrong_type_warns_and_the_native_default_is_used(qtbot):
    class Broken(lumenvale.TerminalWidget):
        def sizeHint(self):
            return "big"

    w = Broken()
    qtbot.addWidget(w)
    with pytest.warns(RuntimeWarning, match=r"Invalid return value in function 'TerminalWidget\.sizeHint'"):
        w.adjustSize()
    assert w.width() > 0 and w.height() > 0


def test_parented_widget_lives_with_its_parent(qtbot):
    parent = lumenvale.TerminalWidget()
    qtbot.addWidget(parent)
    child = lumenvale.TerminalWidget(parent=parent)
    child.feed(b"kept")
    del child
    gc.collect()
    (found,) = parent.findChildren(lumenvale.TerminalWidget)
    assert found.screenText().startswith("kept")


def test_calls_on_a_deleted_widget_raise():
    w = lumenvale.TerminalWidget()
    shiboken6.delete(w)
    for call in (w.columns, w.screenText, lambda: w.feed(b"x"), w.terminalPalette):
        with pytest.raises(RuntimeError, match="already deleted"):
            call()


def test_qintlist_container():
    values = lumenvale.QIntList([3, 1, 4])
    values.push_front(9)
    assert len(values) == 4 and list(values) == [9, 3, 1, 4]
    values[1] = 7
    values.removeLast()
    values.removeFirst()
    assert list(values) == [7, 1]
    with pytest.raises(IndexError, match="index out of bounds"):
        values[5]
    with pytest.raises(TypeError, match="wrong type passed to append"):
        values.append("x")
    with pytest.raises(TypeError, match="wrong type passed to append"):
        lumenvale.QIntList([1, "x"])
    with pytest.raises(TypeError, match="wrong type passed to reserve"):
        values.reserve("x")
    values.clear()
    assert len(values) == 0 and list(lumenvale.QIntList()) == []


def test_qintlist_converts_to_a_variant():
    holder = QObject()
    holder.setProperty("numbers", lumenvale.QIntList([5, 6]))
    assert list(holder.property("numbers")) == [5, 6]


def test_help_texts_describe_the_api():
    for obj, words in [
        (lumenvale, ["TerminalWidget", "PtySession", "attach"]),
        (lumenvale.TerminalWidget, ["feed", "screenText", "dataReady"]),
        (lumenvale.PtySession, ["create", "start", "finished"]),
        (lumenvale.Palette, ["set_ansi", "color"]),
        (lumenvale.QIntList, ["append", "removeFirst"]),
        (lumenvale.attach, ["dataReceived", "resize"]),
        (lumenvale.encode_text, ["bracketed_paste"]),
        (lumenvale.TerminalItem, ["Terminal", "scrollPosition", "attach"]),
        (lumenvale.register_qml_types, ["Lumenvale 1.0", "Terminal"]),
    ]:
        for word in words:
            assert word in obj.__doc__, (obj, word)
