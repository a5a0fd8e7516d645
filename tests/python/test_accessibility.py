"""The widget through PySide6's accessibility API, as a screen reader's bridge
reads it: role, the text of the view, the cursor offset, the selection and
the geometry of characters.

PySide6 6.8 cannot call the functions that answer through int* arguments
(selection, textAtOffset and its siblings, attributes): they crash for Qt's
own QLineEdit too.  The offsets they return are checked in the C++ test."""

from PySide6.QtGui import QAccessible


def text_interface(widget):
    iface = QAccessible.queryAccessibleInterface(widget)
    assert iface is not None
    assert iface.role() == QAccessible.Role.Terminal
    text = iface.textInterface()
    assert text is not None
    return text


def test_screen_text_cursor_and_selection_read_through_the_interface(widget):
    widget.feed(b"echo hi\r\nhi\r\n$ ")
    text = text_interface(widget)
    lines = text.text(0, text.characterCount()).split("\n")
    assert lines == ["echo hi", "hi", "$ "] + [""] * (widget.terminalRows() - 3)
    assert text.cursorPosition() == len("echo hi\nhi\n$ ")

    top = widget.viewTopLine()
    assert text.selectionCount() == 0
    widget.setSelection(top, 5, top + 1, 2)
    assert text.selectionCount() == 1

    text.setSelection(0, 0, 4)
    assert widget.selectedText() == "echo"
    text.addSelection(10, 5)
    assert widget.selectedText() == "hi\nhi"
    text.removeSelection(0)
    assert not widget.hasSelection()
    assert text.selectionCount() == 0


def test_text_follows_output_in_utf16_units_and_cells_map_to_offsets(widget):
    text = text_interface(widget)
    widget.feed("\U0001F600 \u4e2d!".encode())
    assert text.text(0, 5) == "\U0001F600 \u4e2d!"
    assert text.cursorPosition() == 5
    widget.feed(b"\r\nnext")
    assert text.text(0, text.characterCount()).startswith("\U0001F600 \u4e2d!\nnext\n")
    for offset in (0, 2, 3, 4, 6, 9):
        rect = text.characterRect(offset)
        assert rect.width() in (widget.cellWidth(), 2 * widget.cellWidth())
        assert text.offsetAtPoint(rect.center()) == offset
