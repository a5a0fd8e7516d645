#!/usr/bin/env python3
"""Several terminals in one window, one per tab.

Each tab holds its own TerminalWidget and PtySession; they share nothing but
the window's pieces from terminal_parts.py (the ones terminal.py uses): a find
bar for the current tab, the Scheme menu for every tab, the context menu with
link entries, Clear Scrollback and Reset, the multi-line paste question, and
the notice while Ctrl+S holds a tab's output.  A tab is labelled with its
program's title, or else the name of the program in its foreground.
Ctrl+Shift+T opens a tab on your shell, Ctrl+Shift+W (or the tab's close
button) ends one, asking first while a program runs in it, a tab closes
itself when its program ends, and the window closes with its last tab.

    python3 examples/tabs.py                        # two shells
    python3 examples/tabs.py "top" "vi notes.txt"   # one tab per command
"""

from __future__ import annotations

import os
import shlex
import sys
from typing import Callable

from PySide6.QtCore import QTimer
from PySide6.QtGui import QAction, QKeySequence
from PySide6.QtWidgets import QApplication, QMainWindow, QTabWidget, QVBoxLayout, QWidget

import lumenvale
from terminal import login_shell
from terminal_parts import (FindBar, ask_before_multiline_paste, ask_to_close, clear_scrollback,
                            install_context_menu, open_url, reset_terminal, running_program, scheme_menu)

# How often tab labels follow the program in each tab's foreground.
LABEL_INTERVAL_MS = 1000


class Tab(lumenvale.TerminalWidget):
    """One tab: a terminal widget and the session behind it."""

    def __init__(self, command: list[str], extra_actions: list[QAction]):
        super().__init__()
        self.command = command
        self.session = lumenvale.PtySession.create(self)  # the session ends with its tab
        lumenvale.attach(self, self.session)
        self.linkActivated.connect(open_url)
        install_context_menu(self, extra_actions)
        ask_before_multiline_paste(self)

    def label(self) -> str:
        """The program's title, else the program in the foreground, else the command."""
        return self.title() or running_program(self.session) or os.path.basename(self.command[0])


class TabbedTerminal(QMainWindow):
    def __init__(self):
        super().__init__()
        self.setWindowTitle("lumenvale tabs")
        self.palette_for_tabs = lumenvale.Palette()
        # Asked before closing a busy tab; a test may answer instead.
        self.ask_to_close: Callable[[QWidget, str], bool] = ask_to_close
        self.tabs = QTabWidget(self)
        self.tabs.setTabsClosable(True)
        self.tabs.setDocumentMode(True)
        self.tabs.tabCloseRequested.connect(lambda index: self.close_tab(self.tabs.widget(index), ask=True))
        self.tabs.currentChanged.connect(lambda _index: self.current_changed())
        self.find_bar = FindBar(lumenvale.TerminalWidget())  # retargeted to the current tab
        self.find_bar.hide()
        central = QWidget(self)
        column = QVBoxLayout(central)
        column.setContentsMargins(0, 0, 0, 0)
        column.setSpacing(0)
        column.addWidget(self.tabs, 1)
        column.addWidget(self.find_bar)
        self.setCentralWidget(central)
        for label, keys, slot in (("New tab", "Ctrl+Shift+T", lambda: self.open_tab(login_shell())),
                                  ("Close tab", "Ctrl+Shift+W",
                                   lambda: self.close_tab(self.tabs.currentWidget(), ask=True)),
                                  ("Find", "Ctrl+Shift+F", self.find_bar.open)):
            action = QAction(label, self)
            action.setShortcut(QKeySequence(keys))
            action.triggered.connect(slot)
            self.addAction(action)
        self.extra_actions = []
        for label, slot in (("Find...", self.find_bar.open),
                            ("Clear Scrollback", lambda: clear_scrollback(self.tabs.currentWidget())),
                            ("Reset", lambda: reset_terminal(self.tabs.currentWidget()))):
            action = QAction(label, self)
            action.triggered.connect(slot)
            self.extra_actions.append(action)
        self.menuBar().addMenu(scheme_menu(self, self.apply_palette))
        self.labels = QTimer(self)
        self.labels.timeout.connect(self.update_labels)
        self.labels.start(LABEL_INTERVAL_MS)
        self.resize(800, 500)

    def tab_list(self) -> list[Tab]:
        return [self.tabs.widget(i) for i in range(self.tabs.count())]

    def apply_palette(self, palette: lumenvale.Palette) -> None:
        self.palette_for_tabs = palette
        for tab in self.tab_list():
            tab.setTerminalPalette(palette)

    def open_tab(self, command: list[str]) -> Tab:
        terminal = Tab(command, self.extra_actions)
        terminal.setTerminalPalette(self.palette_for_tabs)
        session = terminal.session
        # A finished program takes its tab with it.
        session.finished.connect(lambda _code: self.close_tab(terminal))
        session.outputSuspendedChanged.connect(lambda _held: self.show_flow_state())
        terminal.titleChanged.connect(lambda _title: self.update_labels())
        self.tabs.addTab(terminal, os.path.basename(command[0]))
        self.tabs.setCurrentWidget(terminal)
        terminal.setFocus()
        # Opened in a shown window, the tab has its size now and the program
        # starts with the right grid.
        program, *args = command
        if not session.start(program, args, [], terminal.columns(), terminal.terminalRows()):
            terminal.feed(f"cannot start {program}: {session.error()}\r\n".encode())
        return terminal

    def update_labels(self) -> None:
        for index, tab in enumerate(self.tab_list()):
            self.tabs.setTabText(index, tab.label())

    def current_changed(self) -> None:
        tab = self.tabs.currentWidget()
        if tab is not None:
            self.find_bar.terminal = tab
        self.show_flow_state()

    def show_flow_state(self) -> None:
        tab = self.tabs.currentWidget()
        if tab is not None and tab.session.outputSuspended():
            self.statusBar().showMessage("Output suspended (Ctrl+S): press Ctrl+Q to resume.")
        else:
            self.statusBar().clearMessage()

    def close_tab(self, terminal: Tab, ask: bool = False) -> bool:
        """Ends a tab's program and removes the tab; False when the user kept it."""
        index = self.tabs.indexOf(terminal)
        if index < 0:
            return True  # already closed (terminate() reports the end once more)
        program = running_program(terminal.session) if ask else ""
        if program and not self.ask_to_close(self, program):
            return False
        self.tabs.removeTab(index)
        terminal.session.terminate()
        terminal.deleteLater()
        if self.tabs.count() == 0:
            self.close()
        return True

    def closeEvent(self, event) -> None:  # noqa: N802 (Qt's name)
        busy = [name for name in (running_program(tab.session) for tab in self.tab_list()) if name]
        if busy and not self.ask_to_close(self, ", ".join(busy)):
            event.ignore()
            return
        while self.tabs.count():
            self.close_tab(self.tabs.widget(0))
        super().closeEvent(event)


def main(argv: list[str] | None = None) -> int:
    argv = sys.argv[1:] if argv is None else argv
    commands = [shlex.split(text) for text in argv] or [login_shell(), login_shell()]
    app = QApplication.instance() or QApplication(sys.argv[:1])
    window = TabbedTerminal()
    window.show()
    for command in commands:
        window.open_tab(command)
    return app.exec()


if __name__ == "__main__":
    sys.exit(main())
