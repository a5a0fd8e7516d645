"""A session made by PtySession.create and its Qt parent can be deleted from
Python in any order, started or not.  Each scenario runs in a child process,
so that a crash fails its case instead of ending the test run."""

import os
import subprocess
import sys
import textwrap

import pytest

SCENARIO = textwrap.dedent(
    """
    import gc, os, sys
    os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
    import shiboken6
    from PySide6.QtCore import QCoreApplication, QEvent, QObject
    from PySide6.QtWidgets import QApplication
    import lumenvale

    app = QApplication([])

    def flush_deletes():
        QCoreApplication.sendPostedEvents(None, QEvent.Type.DeferredDelete)

    parent = QObject()
    session = lumenvale.PtySession.create(parent)
    if sys.argv[2] == "started":
        assert session.start("sleep", ["30"], [], 80, 24), session.error()
    steps = {
        "delete the session, then the parent":
            lambda: (shiboken6.delete(session), shiboken6.delete(parent)),
        "delete the parent, then the session":
            lambda: (shiboken6.delete(parent),
                     shiboken6.isValid(session) and shiboken6.delete(session)),
        "drop the last reference, then delete the parent":
            lambda: (globals().pop("session"), gc.collect(), shiboken6.delete(parent)),
        "deleteLater the session, then delete the parent":
            lambda: (session.deleteLater(), flush_deletes(), shiboken6.delete(parent)),
        "deleteLater the parent, then delete the session":
            lambda: (parent.deleteLater(), flush_deletes(),
                     shiboken6.isValid(session) and shiboken6.delete(session)),
        "delete the session, then drop the parent":
            lambda: (shiboken6.delete(session), globals().pop("parent"), gc.collect()),
        "setParent later, delete the session, then the parent":
            lambda: (session.setParent(None), session.setParent(parent),
                     shiboken6.delete(session), shiboken6.delete(parent)),
    }
    steps[sys.argv[1]]()
    gc.collect()
    print("survived")
    """
)

ORDERS = [
    "delete the session, then the parent",
    "delete the parent, then the session",
    "drop the last reference, then delete the parent",
    "deleteLater the session, then delete the parent",
    "deleteLater the parent, then delete the session",
    "delete the session, then drop the parent",
    "setParent later, delete the session, then the parent",
]


@pytest.mark.parametrize("state", ["idle", "started"])
@pytest.mark.parametrize("order", ORDERS)
def test_created_session_and_parent_delete_in_any_order(order, state):
    result = subprocess.run(
        [sys.executable, "-c", SCENARIO, order, state], capture_output=True, text=True, timeout=60
    )
    assert result.returncode == 0 and "survived" in result.stdout, (result.returncode, result.stderr[-2000:])


EXITS_DURING_GRACE = textwrap.dedent(
    """
    import os, sys
    os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
    import shiboken6
    from PySide6.QtCore import QCoreApplication
    import lumenvale

    app = QCoreApplication([])
    session = lumenvale.PtySession.create()
    output = []
    session.dataReceived.connect(lambda data: output.append(bytes(data)))
    # The shell execs sleep with SIGHUP ignored: only the kill ends it.
    assert session.start("sh", ["-c", "trap '' HUP; echo pid $$; exec sleep 30"], [], 80, 24)
    while b"pid" not in b"".join(output):
        app.processEvents()
    print(b"".join(output).decode().split()[1], flush=True)
    if sys.argv[1] == "terminate":
        session.terminate()
    else:
        shiboken6.delete(session)
    """
)


@pytest.mark.parametrize("how", ["terminate", "destroy"])
def test_application_exiting_during_the_grace_leaves_no_child(how):
    result = subprocess.run(
        [sys.executable, "-c", EXITS_DURING_GRACE, how], capture_output=True, text=True, timeout=60
    )
    assert result.returncode == 0, result.stderr[-2000:]
    pid = int(result.stdout.split()[0])
    # The child was killed and reaped as the application exited, well within
    # the 2 s grace period it would otherwise have had.
    with pytest.raises(ProcessLookupError):
        os.kill(pid, 0)
