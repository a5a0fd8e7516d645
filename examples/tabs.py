#!/usr/bin/env python3
"""Several terminals in one window, one per tab.

Each tab holds its own TerminalWidget and PtySession; they share nothing.
Ctrl+Shift+T opens a tab on your shell, Ctrl+Shift+W (or the tab's close
button) ends one, a tab closes itself when its program ends, and the window
closes with its last tab.

    python3 examples/tabs.py                        # two shells
    python3 examples/tabs.py "top" "vi notes.txt"   # one tab per command
"""

from __future__ import annotations

import os
import shlex
import sys

from PySide6.QtGui import QAction, QKeySequence
from PySide6.QtWidgets import QApplication, QMainWindow, QTabWidget

import lumenvale
from terminal import login_shell


class Tab(lumenvale.TerminalWidget):
    """One tab: a terminal widget and the session behind it."""

    def __init__(self):
        super().__init__()
        self.session = lumenvale.PtySession.create(self)  # the session ends with its tab
        lumenvale.attach(self, self.session)


class TabbedTerminal(QMainWindow):
    def __init__(self):
        super().__init__()
        self.setWindowTitle("lumenvale tabs")
        self.tabs = QTabWidget(self)
        self.tabs.setTabsClosable(True)
        self.tabs.setDocumentMode(True)
        self.tabs.tabCloseRequested.connect(lambda index: self.close_tab(self.tabs.widget(index)))
        self.setCentralWidget(self.tabs)
        for label, keys, slot in (("New tab", "Ctrl+Shift+T", lambda: self.open_tab(login_shell())),
                                  ("Close tab", "Ctrl+Shift+W",
                                   lambda: self.close_tab(self.tabs.currentWidget()))):
            action = QAction(label, self)
            action.setShortcut(QKeySequence(keys))
            action.triggered.connect(slot)
            self.addAction(action)
        self.resize(800, 500)

    def open_tab(self, command: list[str]) -> Tab:
        terminal = Tab()
        session = terminal.session
        # A finished program takes its tab with it.
        session.finished.connect(lambda _code: self.close_tab(terminal))
        self.tabs.addTab(terminal, os.path.basename(command[0]))
        self.tabs.setCurrentWidget(terminal)
        terminal.setFocus()
        # Opened in a shown window, the tab has its size now and the program
        # starts with the right grid.
        program, *args = command
        if not session.start(program, args, [], terminal.columns(), terminal.terminalRows()):
            terminal.feed(f"cannot start {program}: {session.error()}\r\n".encode())
        return terminal

    def close_tab(self, terminal: Tab) -> None:
        index = self.tabs.indexOf(terminal)
        if index < 0:
            return  # already closed (terminate() reports the end once more)
        self.tabs.removeTab(index)
        terminal.session.terminate()
        terminal.deleteLater()
        if self.tabs.count() == 0:
            self.close()

    def closeEvent(self, event) -> None:  # noqa: N802 (Qt's name)
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
