"""Shared set-up of the Python tests: Qt runs offscreen, and the built lumenvale
module must be importable (./dev test puts build/python on PYTHONPATH)."""

import os

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

import pytest  # noqa: E402

import lumenvale  # noqa: E402


@pytest.fixture
def widget(qtbot):
    """A shown terminal widget of a fixed size, deleted by pytest-qt afterwards."""
    w = lumenvale.TerminalWidget()
    qtbot.addWidget(w)
    w.resize(640, 400)
    w.show()
    qtbot.waitExposed(w)
    return w
