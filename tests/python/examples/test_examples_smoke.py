"""Smoke tests of the Python examples, headless: each example runs a real
program (on a pseudo terminal, or over pipes for python_session.py) and the
tests check what reaches the screen, the window and the screenshot."""

import os
import subprocess
import sys
from pathlib import Path

import pytest
from PySide6.QtCore import QPoint, Qt, QUrl
from PySide6.QtGui import QColor, QImage

import lumenvale

EXAMPLES = Path(__file__).resolve().parents[3] / "examples"
sys.path.insert(0, str(EXAMPLES))

import python_session  # noqa: E402
import tabs  # noqa: E402
import terminal  # noqa: E402
import terminal_parts  # noqa: E402

WAIT_MS = 15000


def shown_window(qtbot, command, **options):
    window = terminal.TerminalWindow(command, **options)
    qtbot.addWidget(window)
    window.show()
    qtbot.waitExposed(window)
    return window


# --- terminal.py ------------------------------------------------------------


@pytest.mark.parametrize("argv, command, scheme, hold", [
    ([], [], "default", False),
    (["--scheme", "Solarized Light", "ls", "-l", "--color=auto"], ["ls", "-l", "--color=auto"], "Solarized Light",
     False),
    (["--hold", "--", "vi", "--help"], ["vi", "--help"], "default", True),
])
def test_command_line_keeps_the_program_options(argv, command, scheme, hold):
    args = terminal.parse_args(argv)
    assert (args.command, args.scheme, args.hold) == (command, scheme, hold)


def test_failing_program_keeps_the_window_open_with_its_exit_code(qtbot):
    window = shown_window(qtbot, ["sh", "-c", "printf 'hello from sh\\n'; exit 3"])
    assert window.start()
    qtbot.waitUntil(lambda: window.exit_code == 3, timeout=WAIT_MS)
    screen = window.terminal.screenText()
    assert "hello from sh" in screen
    assert "sh exited with code 3" in screen
    assert window.windowTitle() == "sh (exit code 3)"
    assert window.isVisible()


def test_window_title_follows_the_program_and_the_bell_flashes(qtbot):
    window = shown_window(qtbot, ["sh", "-c", "printf '\\033]2;edited file\\007'; sleep 1; printf '\\007'; sleep 5"],
                          hold=True)
    assert window.start()
    qtbot.waitUntil(lambda: window.windowTitle() == "edited file", timeout=WAIT_MS)
    qtbot.waitUntil(window.flash.isVisible, timeout=WAIT_MS)
    qtbot.waitUntil(lambda: not window.flash.isVisible(), timeout=WAIT_MS)


def test_successful_program_closes_the_window_unless_held(qtbot):
    closing = shown_window(qtbot, ["sh", "-c", "exit 0"])
    held = shown_window(qtbot, ["sh", "-c", "echo done"], hold=True)
    assert closing.start() and held.start()
    qtbot.waitUntil(lambda: closing.exit_code == 0 and held.exit_code == 0, timeout=WAIT_MS)
    assert not closing.isVisible()
    assert held.isVisible()
    assert "sh exited with code 0" in held.terminal.screenText()


def test_missing_program_is_reported_on_the_screen(qtbot):
    window = shown_window(qtbot, ["/nonexistent/program"])
    assert not window.start()
    assert "cannot start /nonexistent/program" in window.terminal.screenText()
    assert "failed to start" in window.windowTitle()


def test_keys_reach_the_shell_and_its_output_comes_back(qtbot):
    window = shown_window(qtbot, ["sh"], hold=True)
    assert window.start()
    window.terminal.send("echo $((6 * 7))X\r")
    qtbot.waitUntil(lambda: "42X" in window.terminal.screenText(), timeout=WAIT_MS)
    window.terminal.send("exit 5\r")
    qtbot.waitUntil(lambda: window.exit_code == 5, timeout=WAIT_MS)


def test_font_size_shortcuts_change_the_grid_and_tell_the_program(qtbot):
    window = shown_window(qtbot, ["sh"], hold=True)
    assert window.start()
    term = window.terminal
    base_size, base_columns = term.terminalFont().pointSizeF(), term.columns()
    window.activateWindow()
    qtbot.waitActive(window)
    # Through the window, so that the keys pass Qt's shortcut map as typed ones do.
    handle = window.windowHandle()
    for _ in range(3):
        qtbot.keyClick(handle, Qt.Key_Plus, Qt.ControlModifier)
    assert term.terminalFont().pointSizeF() == pytest.approx(base_size + 3)
    assert term.columns() < base_columns
    # The pseudo terminal follows the widget's grid.
    term.send("stty size\r")
    expected = f"{term.terminalRows()} {term.columns()}"
    qtbot.waitUntil(lambda: expected in term.screenText(), timeout=WAIT_MS)
    qtbot.keyClick(handle, Qt.Key_0, Qt.ControlModifier)
    assert term.terminalFont().pointSizeF() == pytest.approx(base_size)
    assert term.columns() == base_columns


def test_find_bar_opens_finds_and_closes(qtbot):
    window = shown_window(qtbot, ["sh"], hold=True)
    term = window.terminal
    term.feed(b"one apple\r\ntwo Apple\r\nthree")
    window.activateWindow()
    qtbot.waitActive(window)
    handle = window.windowHandle()
    qtbot.keyClick(handle, Qt.Key_F, Qt.ControlModifier | Qt.ShiftModifier)
    assert window.find_bar.isVisible() and window.find_bar.field.hasFocus()
    qtbot.keyClicks(window.find_bar.field, "apple")
    qtbot.keyClick(window.find_bar.field, Qt.Key_Return)
    assert term.selectedText() == "apple"
    qtbot.keyClick(window.find_bar.field, Qt.Key_Return)
    assert term.selectedText() == "Apple"
    window.find_bar.case.setChecked(True)
    assert window.find_bar.find_hit(backward=True) and term.selectedText() == "apple"
    window.find_bar.field.setText("pear")
    assert not window.find_bar.find_hit(backward=False)
    assert window.find_bar.status.text() == "not found" and term.selectedText() == "apple"
    qtbot.keyClick(window.find_bar.field, Qt.Key_Escape)
    assert not window.find_bar.isVisible()


@pytest.mark.parametrize("scheme", ["default", "xterm", "Solarized Dark"])
def test_colour_schemes_reach_the_widget(qtbot, scheme):
    window = shown_window(qtbot, ["sh"], scheme=scheme)
    expected = lumenvale.Palette() if scheme == "default" else lumenvale.Palette.from_scheme(scheme)
    assert window.terminal.terminalPalette() == expected
    # The Scheme menu switches at run time.
    entry = next(a for a in window.scheme_menu.actions() if a.text() == "Tango Light")
    entry.trigger()
    assert window.terminal.terminalPalette() == lumenvale.Palette.from_scheme("Tango Light")
    assert entry.isChecked()


def test_context_menu_offers_the_link_under_the_pointer(qtbot):
    window = shown_window(qtbot, ["sh"], hold=True)
    term = window.terminal
    term.feed(b"see https://example.org/x here")
    row = term.viewTopLine()
    on_link = QPoint(8 * term.cellWidth() + 2, 2)
    assert term.linkAtCell(row, 8) == QUrl("https://example.org/x")
    texts = [a.text() for a in terminal_parts.context_menu(term, on_link, window.extra_actions).actions()]
    assert texts[:2] == ["Open Link", "Copy Link Address"]
    assert {"Copy", "Paste", "Select All", "Clear Scrollback", "Reset"} <= set(texts)
    texts = [a.text() for a in terminal_parts.context_menu(term, QPoint(1, 2), []).actions()]
    assert "Open Link" not in texts


def test_find_bar_counts_and_steps_with_its_buttons(qtbot):
    window = shown_window(qtbot, ["sh"], hold=True)
    window.terminal.feed(b"pear apple\r\napple\r\nPEAR")
    window.find_bar.open()
    window.find_bar.field.setText("pear")
    assert window.find_bar.status.text() == "2 matches"
    window.find_bar.previous.click()
    assert window.terminal.selectedText() == "PEAR"
    window.find_bar.previous.click()
    assert window.terminal.selectedText() == "pear"
    window.find_bar.case.setChecked(True)
    assert window.find_bar.status.text() == "1 match"
    assert terminal_parts.count_text(-1) == "many matches"
    assert terminal_parts.count_text(terminal_parts.COUNT_LIMIT) == "1000+ matches"


def test_closing_asks_while_a_job_runs_and_shows_held_output(qtbot):
    window = shown_window(qtbot, ["sh", "-i"], hold=True)
    window.env = ["PS1=$ ", "ENV="]
    assert window.start()
    answers = []
    window.ask_to_close = lambda _parent, program: answers.append(program) or len(answers) > 1
    qtbot.waitUntil(lambda: "$ " in window.terminal.screenText(), timeout=WAIT_MS)
    window.terminal.send("sleep 30\r")
    qtbot.waitUntil(lambda: terminal_parts.running_program(window.session) == "sleep", timeout=WAIT_MS)
    window.terminal.send("\x13")
    qtbot.waitUntil(window.flow_notice.isVisible, timeout=WAIT_MS)
    window.terminal.send("\x11")
    qtbot.waitUntil(lambda: not window.flow_notice.isVisible(), timeout=WAIT_MS)
    window.close()
    assert window.isVisible() and answers == ["sleep"]
    window.close()
    assert not window.isVisible() and answers == ["sleep", "sleep"]


# --- python_session.py -----------------------------------------------------


@pytest.fixture
def python_over_pipes(qtbot):
    term = python_session.open_window([sys.executable, "-i", "-q", "-u"])
    qtbot.addWidget(term)
    qtbot.waitUntil(lambda: term.screenText().startswith(">>> "), timeout=WAIT_MS)
    yield term
    term.session.terminate()


@pytest.mark.parametrize("typed, echoed, output", [
    ("print(6 * 7)\r", "print(6 * 7)", "42"),
    ("print(1 + 1x\x7f)\r", "print(1 + 1)", "2"),               # Backspace edits the line
    ("print(len('漢字'))\r", "print(len('漢字'))", "2"),         # UTF-8 both ways
    ("print(3\x1b[A * 3)\r", "print(3 * 3)", "9"),               # a cursor key is dropped
])
def test_pipe_session_edits_lines_and_echoes(qtbot, python_over_pipes, typed, echoed, output):
    term = python_over_pipes
    term.send(typed)
    qtbot.waitUntil(lambda: f">>> {echoed}" in term.screenText(), timeout=WAIT_MS)

    def output_follows_echo():
        lines = [line.rstrip() for line in term.screenText().splitlines()]
        row = next(i for i, line in enumerate(lines) if line.endswith(echoed))
        return lines[row + 1:row + 2] == [output]

    qtbot.waitUntil(output_follows_echo, timeout=WAIT_MS)


def test_pipe_session_ends_on_ctrl_d(qtbot, python_over_pipes):
    codes = []
    python_over_pipes.session.finished.connect(codes.append)
    python_over_pipes.send("\x04")
    qtbot.waitUntil(lambda: codes == [0], timeout=WAIT_MS)
    assert not python_over_pipes.session.running()
    python_over_pipes.session.terminate()
    assert codes == [0]  # reported once


# --- tabs.py ---------------------------------------------------------------


def test_tabs_run_separate_sessions_and_close_with_their_programs(qtbot):
    window = tabs.TabbedTerminal()
    qtbot.addWidget(window)
    window.show()
    qtbot.waitExposed(window)
    lasting = window.open_tab(["sh", "-c", "echo first tab; sleep 30"])
    window.open_tab(["sh", "-c", "echo second tab; exit 0"])
    qtbot.waitUntil(lambda: window.tabs.count() == 1, timeout=WAIT_MS)
    qtbot.waitUntil(lambda: "first tab" in lasting.screenText(), timeout=WAIT_MS)
    assert "second tab" not in lasting.screenText()
    lasting.feed(b"\x1b]2;my title\x07")
    qtbot.waitUntil(lambda: window.tabs.tabText(0) == "my title", timeout=WAIT_MS)
    session = lasting.session
    window.close()
    assert window.tabs.count() == 0
    assert not session.running()


# --- demo.py ---------------------------------------------------------------


def run_demo(tmp_path, *args, display=None):
    output = tmp_path / "shot.png"
    env = dict(os.environ)
    env.pop("QT_QPA_PLATFORM", None)  # the demo chooses its platform itself
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    if display:
        env["DISPLAY"] = display
    result = subprocess.run([sys.executable, str(EXAMPLES / "demo.py"), "--offscreen",
                             "--output", str(output), *args],
                            env=env, capture_output=True, text=True, timeout=120)
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip().splitlines()[-1].endswith(f"photographed: {output}")
    image = QImage(str(output))
    assert not image.isNull()
    return image, result.stderr


def colours_in(image, step=4):
    return {image.pixel(x, y) & 0xFFFFFF
            for y in range(0, image.height(), step) for x in range(0, image.width(), step)}


def test_demo_screenshot_shows_the_colour_charts_and_vi(tmp_path):
    image, _ = run_demo(tmp_path)
    left_half = image.copy(0, 0, image.width() // 2, image.height())
    # The 6x6x6 cube: its pure corners are painted as they are.
    for cube_corner in ("#ff0000", "#00ff00", "#0000ff", "#ffff00", "#ff00ff", "#00ffff"):
        assert QColor(cube_corner).rgb() & 0xFFFFFF in colours_in(left_half, 2), cube_corner
    assert len(colours_in(left_half)) > 200  # cube, grey ramp and truecolor ramps
    assert image.width() > 2 * image.height()  # shell and full-screen program side by side


def test_demo_runs_a_given_command(tmp_path):
    image, _ = run_demo(tmp_path, "sh", "-c", r"printf '\033[48;2;1;2;3m  wide block  \033[0m\n'")
    assert 0x010203 in colours_in(image, 1)


def test_demo_falls_back_to_a_screenshot_when_the_display_cannot_be_opened(tmp_path):
    image, messages = run_demo(tmp_path, "sh", "-c", r"printf '\033[48;2;4;5;6m    \033[0m\n'",
                               display=":9999")
    assert "cannot be opened" in messages
    assert 0x040506 in colours_in(image, 1)


# --- all examples ----------------------------------------------------------


def test_examples_use_the_api_as_the_type_stub_describes():
    """The examples are documentation: a renamed or retyped method must show here."""
    stub_dir = Path(lumenvale.__file__).parent
    env = dict(os.environ)
    if stub_dir.name not in ("site-packages", "dist-packages"):
        env["MYPYPATH"] = str(stub_dir)
    files = [str(EXAMPLES / name) for name in
             ("terminal.py", "terminal_parts.py", "demo.py", "scripted_session.py", "python_session.py", "tabs.py")]
    result = subprocess.run([sys.executable, "-m", "mypy", "--no-incremental", "--cache-dir", os.devnull,
                             "--ignore-missing-imports", *files],
                            cwd=EXAMPLES, env=env, capture_output=True, text=True, timeout=300)
    assert result.returncode == 0, result.stdout + result.stderr
