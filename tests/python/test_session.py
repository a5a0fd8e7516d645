"""Sessions from Python: a Python implementation of PtySession wired to a widget
by attach, the errors of unimplemented operations, the lifetime of a session
made by PtySession.create, and a real child program behind a widget."""

import gc
import shutil
import weakref

import pytest
import shiboken6
from PySide6.QtCore import QByteArray, QObject

import lumenvale


class RecordingSession(lumenvale.PtySession):
    """Implements all six operations and records what reaches them."""

    def __init__(self, parent=None):
        super().__init__(parent)
        self.calls = []
        self.alive = False

    def start(self, program, args, env, cols, rows):
        self.calls.append(("start", program, list(args), list(env), cols, rows))
        self.alive = True
        return True

    def running(self):
        return self.alive

    def error(self):
        return ""

    def write(self, data):
        self.calls.append(("write", bytes(data)))

    def resize(self, cols, rows):
        self.calls.append(("resize", cols, rows))

    def terminate(self):
        self.alive = False
        self.finished.emit(0)


def test_python_session_is_driven_through_attach(widget, qtbot):
    session = RecordingSession()
    lumenvale.attach(widget, session)
    assert session.start("prog", ["-a", "b"], ["X=1"], widget.columns(), widget.terminalRows())
    assert session.calls[0] == ("start", "prog", ["-a", "b"], ["X=1"], widget.columns(), widget.terminalRows())

    widget.send("ls\n")
    widget.resize(300, 200)
    qtbot.waitUntil(lambda: any(c[0] == "resize" for c in session.calls))
    session.dataReceived.emit(QByteArray(b"from child"))

    assert ("write", b"ls\r") in session.calls
    assert session.calls[-1] == ("resize", widget.columns(), widget.terminalRows())
    assert widget.screenText().startswith("from child")
    # A session that knows nothing of pixels still holds the cell size attach gave.
    assert (session.cellPixelWidth(), session.cellPixelHeight()) == (widget.cellWidth(), widget.cellHeight())
    with qtbot.waitSignal(session.finished) as finished:
        session.terminate()
    assert finished.args == [0] and not session.running()


def test_python_session_backlog_pauses_the_widget_and_oversize_text_is_refused(widget, qtbot):
    # A session that never emits inputBacklogChanged is never waited for (the
    # test above); one that does holds texts in the widget until it drains.
    session = RecordingSession()
    lumenvale.attach(widget, session)
    session.inputBacklogChanged.emit(True)
    assert widget.send("held") is True
    qtbot.wait(20)
    assert session.calls == []
    session.inputBacklogChanged.emit(False)
    qtbot.waitUntil(lambda: session.calls == [("write", b"held")])

    big = "x" * (134217728 + 1)  # TerminalWidget::maxTextLength + 1
    with qtbot.waitSignal(widget.errorOccurred) as refused:
        assert widget.paste(big) is False
    assert refused.args == [widget.error()]
    assert widget.error().startswith("paste: text of 134217729 characters refused")
    assert session.calls == [("write", b"held")]


def test_attach_twice_delivers_twice(widget):
    session = RecordingSession()
    lumenvale.attach(widget, session)
    lumenvale.attach(widget, session)
    widget.send("x")
    assert session.calls == [("write", b"x"), ("write", b"x")]


@pytest.mark.parametrize("side", ["widget", "session"])
def test_attach_refuses_none_naming_the_argument(widget, side):
    session = RecordingSession()
    args = (None, session) if side == "widget" else (widget, None)
    with pytest.raises(TypeError, match=f"attach\\(\\): argument '{side}' must not be None"):
        lumenvale.attach(*args)
    widget.send("still works")
    assert session.calls == []


@pytest.mark.parametrize("args, env, name", [("-c ls", [], "args"), (["-c", "exit 0"], "A=1", "env")])
def test_start_refuses_a_str_for_a_list_naming_the_argument(args, env, name):
    session = lumenvale.PtySession.create()
    try:
        with pytest.raises(TypeError, match=f"argument '{name}' must be a list of strings, not str"):
            session.start("sh", args, env, 80, 24)
        assert not session.running()
    finally:
        shiboken6.delete(session)


@pytest.mark.parametrize(
    "missing, call",
    [
        ("running", lambda s: lumenvale.PtySession.running(s)),
        ("error", lambda s: lumenvale.PtySession.error(s)),
        ("start", lambda s: lumenvale.PtySession.start(s, "p", [], [], 80, 24)),
        ("write", lambda s: lumenvale.PtySession.write(s, b"x")),
        ("resize", lambda s: lumenvale.PtySession.resize(s, 80, 24)),
        ("terminate", lambda s: lumenvale.PtySession.terminate(s)),
    ],
)
def test_unimplemented_operation_raises_the_pure_virtual_error(missing, call):
    session = RecordingSession()
    with pytest.raises(NotImplementedError, match=rf"PtySession\.{missing}"):
        call(session)


def test_native_call_of_a_missing_write_reports_the_error(widget):
    class NoWrite(lumenvale.PtySession):
        def start(self, program, args, env, cols, rows):
            return False

        def running(self):
            return False

        def error(self):
            return ""

        def resize(self, cols, rows):
            pass

        def terminate(self):
            pass

    session = NoWrite()
    lumenvale.attach(widget, session)
    # The key bytes reach the pure virtual write through the signal; the
    # runtime raises its error once control is back in Python.
    with pytest.raises(NotImplementedError, match=r"PtySession\.write"):
        widget.send("x")


def test_exception_in_an_override_does_not_stop_the_widget(widget, capsys):
    class Failing(RecordingSession):
        def write(self, data):
            raise ValueError("write failed")

    session = Failing()
    lumenvale.attach(widget, session)
    # The runtime reports the exception (raised again or printed once control
    # is back in Python); the widget keeps working either way.
    try:
        widget.send("x")
    except ValueError as error:
        assert "write failed" in str(error)
    else:
        assert "write failed" in capsys.readouterr().err
    widget.feed(b"alive")
    assert widget.screenText().startswith("alive")


def test_qobject_virtuals_of_a_python_session_are_called(qtbot):
    class Ticking(RecordingSession):
        def timerEvent(self, event):
            self.calls.append(("timer",))
            self.killTimer(event.timerId())

    session = Ticking()
    session.startTimer(1)
    qtbot.waitUntil(lambda: ("timer",) in session.calls)


def test_deleted_session_after_attach(widget):
    session = RecordingSession()
    lumenvale.attach(widget, session)
    native = lumenvale.PtySession.create()
    lumenvale.attach(widget, native)
    shiboken6.delete(session)
    shiboken6.delete(native)
    widget.send("goes nowhere")
    for call in (session.objectName, lambda: native.write(b"x"), native.running):
        with pytest.raises(RuntimeError, match="already deleted"):
            call()


def test_created_session_lives_while_its_parent_does(qtbot):
    parent = QObject()
    session = lumenvale.PtySession.create(parent=parent)
    assert isinstance(session, lumenvale.PtySession)
    assert session.parent() is parent
    assert not shiboken6.ownedByPython(session)
    assert not session.running() and session.error() == ""
    ref = weakref.ref(session)
    del session
    gc.collect()
    assert ref() is not None and shiboken6.isValid(ref())
    shiboken6.delete(parent)
    assert ref() is None or not shiboken6.isValid(ref())


def test_subclass_with_parent_is_kept_by_the_parent():
    parent = QObject()
    ref = weakref.ref(RecordingSession(parent))
    gc.collect()
    assert ref() is not None and ref().parent() is parent


def test_start_failure_reports_the_reason(qtbot):
    session = lumenvale.PtySession.create()
    try:
        assert not session.start("/nonexistent/program", [], [], 80, 24)
        assert session.error() != "" and not session.running()
    finally:
        shiboken6.delete(session)


@pytest.mark.skipif(shutil.which("sh") is None, reason="needs a POSIX shell")
def test_real_child_prints_coloured_text_into_the_widget(widget, qtbot):
    session = lumenvale.PtySession.create(parent=widget)
    lumenvale.attach(widget, session)
    script = r'''printf '\033[31mred\033[0m and \033[1;32mgreen\033[0m %s\n' "$COLORTERM"; exit 3'''
    with qtbot.waitSignal(session.finished, timeout=10000) as finished:
        assert session.start("sh", ["-c", script], ["EXTRA=1"], widget.columns(), widget.terminalRows()), session.error()
    assert finished.args == [3]
    qtbot.waitUntil(lambda: "red and green truecolor" in widget.screenText(), timeout=5000)
    assert widget.screenText().splitlines()[0].rstrip() == "red and green truecolor"
    assert not session.running()
    # The colours reached the screen: the painted widget shows red text.
    image = widget.viewport().grab().toImage()
    reds = [
        (x, y)
        for y in range(0, widget.cellHeight() * 2)
        for x in range(0, widget.cellWidth() * 4)
        if (c := image.pixelColor(x, y)).red() > 150 and c.green() < 80 and c.blue() < 80
    ]
    assert reds, "no red pixels where the red word was printed"


def test_python_subclass_inherits_the_stored_folder_and_a_zero_pid():
    session = RecordingSession()
    assert session.workingDirectory() == "" and session.processId() == 0
    session.setWorkingDirectory("/some/where")
    assert session.workingDirectory() == "/some/where"


@pytest.mark.skipif(shutil.which("sh") is None, reason="needs a POSIX shell")
def test_real_child_runs_in_the_working_directory_and_reports_its_pid(qtbot, tmp_path):
    session = lumenvale.PtySession.create()
    try:
        output = []
        session.dataReceived.connect(lambda data: output.append(bytes(data)))
        session.setWorkingDirectory(str(tmp_path / "missing"))
        assert not session.start("pwd", [], [], 80, 24)
        assert session.error().startswith("chdir: ") and session.processId() == 0
        session.setWorkingDirectory(str(tmp_path))
        assert session.start("sh", ["-c", "echo $$; pwd -P; read x"], [], 80, 24), session.error()
        qtbot.waitUntil(lambda: b"".join(output).count(b"\n") >= 2, timeout=10000)
        pid, folder = b"".join(output).decode().split()[:2]
        assert session.processId() == int(pid)
        assert folder == str(tmp_path.resolve())
        with qtbot.waitSignal(session.finished, timeout=10000):
            session.write(b"\n")
        assert session.processId() == 0
    finally:
        shiboken6.delete(session)
