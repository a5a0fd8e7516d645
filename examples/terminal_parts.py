"""Pieces that terminal.py and tabs.py share: the find bar, the context menu
with link entries, the colour-scheme menu, the check for a running program
before closing, the multi-line paste question and the flow-control notice.

Each piece takes the TerminalWidget (and PtySession) it serves, so a window
with one terminal and a window with many tabs use the same code.
"""

from __future__ import annotations

from typing import Callable

from PySide6.QtCore import QPoint, Qt, QUrl
from PySide6.QtGui import QAction, QActionGroup, QDesktopServices, QGuiApplication
from PySide6.QtWidgets import (QFileDialog, QHBoxLayout, QLabel, QLineEdit, QMenu, QMessageBox, QPushButton,
                               QWidget)

import lumenvale

# How many matches the find bar counts before it says "1000+".
COUNT_LIMIT = 1000


def count_text(count: int) -> str:
    """The find bar's status for countMatches' answer."""
    if count < 0:
        return "many matches"
    if count >= COUNT_LIMIT:
        return f"{COUNT_LIMIT}+ matches"
    return "not found" if count == 0 else f"{count} match" + ("" if count == 1 else "es")


class FindBar(QWidget):
    """A search field under a terminal: Enter or Next finds the next hit,
    Shift+Enter or Previous the one before, the count of matches beside it,
    Esc hides the bar."""

    def __init__(self, terminal: lumenvale.TerminalWidget, parent: QWidget | None = None):
        super().__init__(parent)
        self.terminal = terminal
        self.field = QLineEdit(self)
        self.field.setPlaceholderText("Find")
        self.status = QLabel(self)
        self.case = QPushButton("Aa", self)
        self.case.setCheckable(True)
        self.case.setToolTip("Match case")
        self.previous = QPushButton("Previous", self)
        self.next = QPushButton("Next", self)
        layout = QHBoxLayout(self)
        layout.setContentsMargins(4, 2, 4, 2)
        layout.addWidget(self.field, 1)
        for widget in (self.case, self.previous, self.next, self.status):
            layout.addWidget(widget)
        self.field.returnPressed.connect(lambda: self.find_hit(self.shift_held()))
        self.previous.clicked.connect(lambda: self.find_hit(True))
        self.next.clicked.connect(lambda: self.find_hit(False))
        self.field.textChanged.connect(lambda _text: self.update_count())
        self.case.toggled.connect(lambda _on: self.update_count())

    @staticmethod
    def shift_held() -> bool:
        return bool(QGuiApplication.keyboardModifiers() & Qt.KeyboardModifier.ShiftModifier)

    def open(self) -> None:
        self.show()
        self.field.setFocus()
        self.field.selectAll()
        self.update_count()

    def update_count(self) -> None:
        text = self.field.text()
        count = self.terminal.countMatches(text, self.case.isChecked(), COUNT_LIMIT) if text else 0
        self.status.setText(count_text(count) if text else "")

    def find_hit(self, backward: bool) -> bool:
        found = self.terminal.find(self.field.text(), backward, self.case.isChecked())
        if found:
            self.update_count()
        else:
            self.status.setText("not found")
        return found

    def keyPressEvent(self, event) -> None:  # noqa: N802 (Qt's name)
        if event.key() == Qt.Key.Key_Escape:
            self.hide()
            self.terminal.setFocus()
            return
        super().keyPressEvent(event)


def clear_scrollback(terminal: lumenvale.TerminalWidget) -> None:
    """Drops the lines above the screen; the limit stays what it was."""
    limit = terminal.scrollbackLimit()
    terminal.setScrollbackSize(0)
    terminal.setScrollbackSize(limit)


def reset_terminal(terminal: lumenvale.TerminalWidget) -> None:
    """A full reset (what `reset` sends): modes, colours and the screen."""
    terminal.feed(b"\x1bc")


def context_menu(terminal: lumenvale.TerminalWidget, pos: QPoint, extra: list[QAction]) -> QMenu:
    """The terminal's context menu at viewport point `pos`: link entries when
    a link is there, the terminal's own actions, then `extra`."""
    menu = QMenu(terminal)
    url = terminal.linkAt(pos)
    if url.isValid():
        menu.addAction("Open Link", lambda: QDesktopServices.openUrl(url))
        menu.addAction("Copy Link Address", lambda: QGuiApplication.clipboard().setText(url.toString()))
        menu.addSeparator()
    for which in (lumenvale.TerminalWidget.StandardAction.Copy, lumenvale.TerminalWidget.StandardAction.Paste,
                  lumenvale.TerminalWidget.StandardAction.SelectAll):
        menu.addAction(terminal.action(which))
    menu.addSeparator()
    for action in extra:
        menu.addAction(action)
    return menu


def install_context_menu(terminal: lumenvale.TerminalWidget, extra: list[QAction]) -> None:
    terminal.setContextMenuPolicy(Qt.ContextMenuPolicy.CustomContextMenu)
    terminal.customContextMenuRequested.connect(
        lambda pos: context_menu(terminal, pos, extra).exec(terminal.viewport().mapToGlobal(pos)))


def scheme_menu(parent: QWidget, apply: Callable[[lumenvale.Palette], None], current: str = "Default") -> QMenu:
    """A menu of the built-in colour schemes (one checked) and an entry that
    loads a scheme file; `apply` receives the chosen palette."""
    menu = QMenu("&Scheme", parent)
    group = QActionGroup(menu)
    for name in lumenvale.Palette.scheme_names():
        action = menu.addAction(name)
        action.setCheckable(True)
        action.setChecked(name == current)
        group.addAction(action)
        action.triggered.connect(lambda _=False, n=name: apply(lumenvale.Palette.from_scheme(n)))
    menu.addSeparator()

    def load() -> None:
        path, _filter = QFileDialog.getOpenFileName(parent, "Load colour scheme", "",
                                                    "Colour schemes (*.json *.itermcolors);;All files (*)")
        if not path:
            return
        try:
            palette = lumenvale.Palette.load(path)
        except ValueError as error:
            QMessageBox.warning(parent, "Colour scheme", str(error))
            return
        checked = group.checkedAction()
        if checked:
            checked.setChecked(False)
        apply(palette)

    menu.addAction("Load Scheme File...", load)
    return menu


def running_program(session: lumenvale.PtySession) -> str:
    """The name of the program in the terminal's foreground when it is not
    the one the session started (a shell's job); empty when there is none."""
    foreground = session.foregroundProcessId()
    if foreground in (0, session.processId()):
        return ""
    return session.foregroundProcessName() or f"process {foreground}"


def ask_to_close(parent: QWidget, program: str) -> bool:
    """Asks whether to end `program`; True to close anyway."""
    answer = QMessageBox.question(parent, "Close", f"{program} is still running. Close anyway?",
                                  QMessageBox.StandardButton.Close | QMessageBox.StandardButton.Cancel,
                                  QMessageBox.StandardButton.Cancel)
    return answer == QMessageBox.StandardButton.Close


def ask_before_multiline_paste(terminal: lumenvale.TerminalWidget) -> None:
    """Shows a paste of several lines (for a shell without bracketed paste,
    each would run at once) and sends it only when the user agrees."""
    terminal.setConfirmMultilinePaste(True)

    def ask(text: str) -> None:
        lines = text.splitlines()
        shown = "\n".join(lines[:8]) + ("\n..." if len(lines) > 8 else "")
        answer = QMessageBox.question(terminal, "Paste", f"Paste {len(lines)} lines?\n\n{shown}")
        if answer == QMessageBox.StandardButton.Yes:
            terminal.paste(text)

    terminal.multilinePasteRequested.connect(ask)


class FlowNotice(QLabel):
    """A line that appears while Ctrl+S holds the program's output."""

    def __init__(self, session: lumenvale.PtySession, parent: QWidget | None = None):
        super().__init__("Output suspended (Ctrl+S): press Ctrl+Q to resume.", parent)
        self.setStyleSheet("background: #fff3b0; color: #3a3000; padding: 2px 6px;")
        self.hide()
        session.outputSuspendedChanged.connect(self.setVisible)


def open_url(url: QUrl) -> None:
    QDesktopServices.openUrl(url)
