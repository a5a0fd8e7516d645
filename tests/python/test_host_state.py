"""The title, the working directory and the bell that a real /bin/sh child
announces reach the host through the widget's signals and getters."""

import shutil

import pytest

import lumenvale

pytestmark = pytest.mark.skipif(shutil.which("sh") is None, reason="needs a POSIX shell")


def run(widget, qtbot, script):
    session = lumenvale.PtySession.create(parent=widget)
    lumenvale.attach(widget, session)
    assert session.start("/bin/sh", ["-c", script + "; printf DONE; sleep 5"], [], 80, 24), session.error()
    qtbot.waitUntil(lambda: "DONE" in widget.screenText(), timeout=10000)
    return session


def test_title_directory_and_bell_from_a_child(widget, qtbot):
    titles, icons, directories, bells = [], [], [], []
    widget.titleChanged.connect(titles.append)
    widget.iconTitleChanged.connect(icons.append)
    widget.currentDirectoryChanged.connect(lambda url: directories.append(url.toLocalFile()))
    widget.bell.connect(lambda: bells.append(1))
    session = run(widget, qtbot,
                  r"printf '\033]2;first\007\033]0;caf\303\251\033\\\033]7;file:///tmp/a%%20b\007"
                  r"\033]7;http://elsewhere/\007\007\007\007'")
    qtbot.waitUntil(lambda: len(bells) > 0, timeout=5000)
    assert widget.title() == "caf\u00e9" and titles[-1] == "caf\u00e9"
    assert widget.iconTitle() == "caf\u00e9" and icons == ["caf\u00e9"]
    assert widget.currentDirectory().toLocalFile() == "/tmp/a b" and directories == ["/tmp/a b"]
    assert len(bells) == 1
    session.terminate()
