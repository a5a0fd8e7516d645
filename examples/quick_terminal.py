#!/usr/bin/env python3
"""A terminal in a Qt Quick window: the QML element Terminal of lumenvale.

register_qml_types() makes TerminalItem the element Terminal of
`import Lumenvale 1.0`; the QML below puts one in a window with a ScrollBar
bound to its scroll position and size and a ToolTip showing the link under
the pointer, and the Python side attaches the platform's PtySession running
your login shell (or the command after `--`).  The window title follows the
program's title; the application ends with the program.

Without a display (or with --screenshot) it runs on Qt's offscreen platform
with the software scene graph, photographs the window once the program has
drawn, and prints the PNG's path.

    python3 examples/quick_terminal.py
    python3 examples/quick_terminal.py -- htop
    python3 examples/quick_terminal.py --screenshot shot.png -- ls -l --color=always /
"""

from __future__ import annotations

import argparse
import os
import sys
from pathlib import Path

QML = b"""
import QtQuick
import QtQuick.Controls
import Lumenvale 1.0

Rectangle {
    width: 820
    height: 480
    color: "black"

    Terminal {
        id: terminal
        objectName: "terminal"
        anchors.fill: parent
        anchors.rightMargin: scrollBar.width
        focus: true
        ToolTip.visible: hoveredLink.length > 0
        ToolTip.text: hoveredLink
        onLinkActivated: (url) => Qt.openUrlExternally(url)
    }
    ScrollBar {
        id: scrollBar
        anchors { top: parent.top; bottom: parent.bottom; right: parent.right }
        orientation: Qt.Vertical
        policy: ScrollBar.AlwaysOn
        size: terminal.scrollSize
        position: terminal.scrollPosition
        onPositionChanged: if (pressed || active) terminal.scrollPosition = position
    }
}
"""


def parse_args(argv: list[str]) -> argparse.Namespace:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--screenshot", type=Path, help="save a PNG of the window instead of showing it")
    parser.add_argument("command", nargs=argparse.REMAINDER, help="program to run instead of the shell")
    args = parser.parse_args(argv)
    if args.command[:1] == ["--"]:
        args.command = args.command[1:]
    if not args.command:
        args.command = [os.environ.get("SHELL", "/bin/sh")]
    return args


def main(argv: list[str]) -> int:
    args = parse_args(argv)
    headless = args.screenshot is not None or not (os.environ.get("DISPLAY") or os.environ.get("WAYLAND_DISPLAY"))
    if headless:
        os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
        os.environ["QT_QUICK_BACKEND"] = "software"
        args.screenshot = args.screenshot or Path("quick_terminal.png")

    from PySide6.QtCore import QByteArray, QTimer, QUrl
    from PySide6.QtGui import QGuiApplication
    from PySide6.QtQuick import QQuickView

    import lumenvale

    app = QGuiApplication(sys.argv[:1])
    lumenvale.register_qml_types()
    view = QQuickView()
    view.setResizeMode(QQuickView.ResizeMode.SizeRootObjectToView)
    view.setTitle("quick_terminal")
    from PySide6.QtQml import QQmlComponent

    component = QQmlComponent(view.engine())
    component.setData(QByteArray(QML), QUrl("quick_terminal.qml"))
    root = component.create()
    if root is None:
        print("\n".join(e.toString() for e in component.errors()), file=sys.stderr)
        return 1
    view.setContent(QUrl("quick_terminal.qml"), component, root)
    terminal = root.findChild(lumenvale.TerminalItem, "terminal")
    terminal.titleChanged.connect(lambda title: view.setTitle(title or "quick_terminal"))

    session = lumenvale.PtySession.create(terminal)
    lumenvale.attach(terminal, session)
    exit_code = [0]

    def finished(code: int) -> None:
        exit_code[0] = code
        if not headless:
            app.quit()

    session.finished.connect(finished)
    view.show()
    program, *rest = args.command
    if not session.start(program, rest, [], terminal.columns(), terminal.terminalRows()):
        print(f"quick_terminal: {session.error()}", file=sys.stderr)
        return 1
    if headless:
        def photograph() -> None:
            view.grabWindow().save(str(args.screenshot))
            print(f"quick_terminal: no display here, so the view was photographed: {args.screenshot.resolve()}")
            app.quit()

        # Output settles within a second for a short command.
        QTimer.singleShot(1500, photograph)
    app.exec()
    session.terminate()
    return exit_code[0]


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
