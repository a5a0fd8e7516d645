"""The demo's scripted session: drives terminal.py's window like a user would.

It starts bash on a real pseudo terminal in a scratch folder, types a few
commands (a coloured ls, colour charts, a line of CJK text), opens vi and
quits it, and saves one PNG with the shell on the left and vi on the right.
Everything goes through the public API: keystrokes enter with
TerminalWidget.send, and the screen is read back with screenText.
"""

from __future__ import annotations

import shutil
import tempfile
import time
from pathlib import Path

from PySide6.QtCore import QByteArray, QEventLoop, QTimer
from PySide6.QtGui import QColor, QImage, QImageWriter, QPainter
from PySide6.QtWidgets import QApplication

from terminal import TerminalWindow

PROMPT_MARK = "~/project$"
# Line numbers and a status line give vi's screen colours, reverse video
# and bold to show.
VI_SETTINGS = "VIMINIT=set number ruler laststatus=2"

# Bash start-up file: a coloured prompt, ls colours and two chart functions.
BASH_RC = r"""
PS1='\[\e[1;32m\]you@lumenvale\[\e[0m\]:\[\e[1;34m\]~/project\[\e[0m\]$ '
eval "$(dircolors -b 2>/dev/null)"
alias ls='ls --color=auto'
colors() {
  local i r g b
  printf '16 system colours, the 6x6x6 cube and the grey ramp:\n'
  for i in $(seq 0 15); do printf '\e[48;5;%dm    ' "$i"; done; printf '\e[0m\n'
  for g in 0 1 2 3 4 5; do
    for r in 0 1 2 3 4 5; do
      for b in 0 1 2 3 4 5; do printf '\e[48;5;%dm  ' $((16 + 36 * r + 6 * g + b)); done
    done
    printf '\e[0m\n'
  done
  for i in $(seq 232 255); do printf '\e[48;5;%dm   ' "$i"; done; printf '\e[0m\n'
}
truecolor() {
  local i h f r g b
  printf '24-bit colour:\n'
  for i in $(seq 0 71); do
    h=$((i * 1536 / 72)); f=$((h % 256))
    case $((h / 256)) in
      0) r=255 g=$f b=0 ;; 1) r=$((255 - f)) g=255 b=0 ;; 2) r=0 g=255 b=$f ;;
      3) r=0 g=$((255 - f)) b=255 ;; 4) r=$f g=0 b=255 ;; *) r=255 g=0 b=$((255 - f)) ;;
    esac
    printf '\e[48;2;%d;%d;%dm ' $r $g $b
  done
  printf '\e[0m\n'
  for i in $(seq 0 71); do printf '\e[48;2;%d;%d;%dm ' $((i * 255 / 71)) $((i * 255 / 71)) $((255 - i * 255 / 71)); done
  printf '\e[0m\n'
}
styles() {
  printf '\e[1mbold\e[0m \e[3mitalic\e[0m \e[4munderline\e[0m \e[9mstrike-through\e[0m '
  printf '\e[7mreverse\e[0m \e[1;3;4;38;5;208mall at once\e[0m \e[38;2;255;105;180mpink\e[0m\n'
}
cd "$DEMO_DIR"
"""

NOTES = """lumenvale: a terminal you embed in a Qt 6 application.

  widget  = lumenvale.TerminalWidget()
  session = lumenvale.PtySession.create(widget)
  lumenvale.attach(widget, session)
  session.start("/bin/bash", [], [], 80, 24)

Keys reach the program, its output reaches the screen, and
the grid follows the window.  Type :q to leave vi.
"""


class Driver:
    """Types into a terminal window and waits for what the screen shows."""

    def __init__(self, window: TerminalWindow):
        self.window = window
        self.last_output = time.monotonic()
        window.session.dataReceived.connect(self.note_output)

    def note_output(self, _data) -> None:
        self.last_output = time.monotonic()

    @staticmethod
    def pump(ms: int) -> None:
        """Runs the event loop for `ms` milliseconds."""
        loop = QEventLoop()
        QTimer.singleShot(ms, loop.quit)
        loop.exec()

    def screen(self) -> str:
        return self.window.terminal.screenText()

    def wait_for(self, predicate, what: str, timeout: float = 15.0) -> None:
        deadline = time.monotonic() + timeout
        while not predicate():
            if time.monotonic() > deadline or self.window.exit_code is not None:
                raise RuntimeError(f"the demo waited in vain for {what}; the screen shows:\n{self.screen()}")
            self.pump(20)

    def wait_quiet(self, quiet: float = 0.3, timeout: float = 15.0) -> None:
        """Waits until the program has written nothing for `quiet` seconds."""
        self.wait_for(lambda: time.monotonic() - self.last_output >= quiet, "quiet output", timeout)

    def prompt_count(self) -> int:
        return self.window.terminal.sessionText().count(PROMPT_MARK)

    def type_line(self, line: str, wait_prompt: bool = True) -> None:
        prompts = self.prompt_count()
        self.window.terminal.send(line + "\r")
        if wait_prompt:
            self.wait_for(lambda: self.prompt_count() > prompts, f"the prompt after {line!r}")
            self.wait_quiet()


def prepare_folder(root: Path) -> Path:
    """A small project folder whose ls shows every colour class."""
    project = root / "project"
    (project / "docs").mkdir(parents=True)
    (project / "src").mkdir()
    (project / "notes.txt").write_text(NOTES)
    (project / "build.sh").write_text("#!/bin/sh\necho built\n")
    (project / "build.sh").chmod(0o755)
    for name in ("release.tar.gz", "logo.png", "README.md", "CMakeLists.txt"):
        (project / name).write_bytes(b"\0")
    (project / "latest").symlink_to("release.tar.gz")
    (root / "bashrc").write_text(BASH_RC)
    return project


def snapshot(window: TerminalWindow) -> QImage:
    Driver.pump(150)  # let the last repaint happen
    return window.grab().toImage()


def side_by_side(left: QImage, right: QImage, gap: int = 12) -> QImage:
    width = left.width() + gap + right.width()
    height = max(left.height(), right.height())
    image = QImage(width, height, QImage.Format.Format_RGB32)
    image.fill(QColor("#3a3a3a"))
    painter = QPainter(image)
    painter.drawImage(0, 0, left)
    painter.drawImage(left.width() + gap, 0, right)
    painter.end()
    return image


def shell_tour(scheme: str) -> QImage:
    bash = shutil.which("bash")
    if not bash:
        raise RuntimeError("the scripted demo needs bash; run ./dev demo -- CMD for another program")
    with tempfile.TemporaryDirectory(prefix="lumenvale-demo-") as tmp:
        project = prepare_folder(Path(tmp))
        window = TerminalWindow([bash, "--noprofile", "--rcfile", str(Path(tmp) / "bashrc"), "-i"],
                                scheme, font_size=10.5, env=[f"DEMO_DIR={project}", VI_SETTINGS], grid=(80, 28))
        window.setWindowTitle("lumenvale demo")
        window.show()
        window.activateWindow()  # a focused terminal draws the solid cursor
        if not window.start():
            raise RuntimeError(f"cannot start bash: {window.session.error()}")
        drive = Driver(window)
        drive.wait_for(lambda: drive.prompt_count() == 1, "the first prompt")
        drive.wait_quiet()
        drive.type_line("ls -F")
        drive.type_line("colors")
        drive.type_line("truecolor")
        drive.type_line("styles")
        drive.type_line("echo '漢字とかな、한글, 中文: two cells each'")
        drive.type_line("vi notes.txt", wait_prompt=False)
        drive.wait_for(lambda: "notes.txt" in drive.screen().splitlines()[-1], "vi's status line")
        drive.wait_quiet()
        drive.type_line("/lumenvale", wait_prompt=False)
        drive.wait_for(lambda: drive.screen().splitlines()[-1].startswith("/lumenvale"), "vi's search")
        drive.wait_quiet()
        full_screen = snapshot(window)
        drive.type_line(":q")
        shell = snapshot(window)
        window.close()
    return side_by_side(shell, full_screen)


def command_run(command: list[str], scheme: str) -> QImage:
    """Runs one command and photographs its screen when it ends or settles."""
    window = TerminalWindow(command, scheme, hold=True)
    window.show()
    window.activateWindow()
    window.start()
    drive = Driver(window)
    started = time.monotonic()
    # A command that keeps drawing (top) is photographed after 1 s of quiet
    # or at the latest after 8 s.
    while window.exit_code is None and time.monotonic() - started < 8:
        if time.monotonic() - drive.last_output > 1.0 and time.monotonic() - started > 1.5:
            break
        drive.pump(50)
    image = snapshot(window)
    window.close()
    return image


def run(output: Path, command: list[str], scheme: str) -> None:
    app = QApplication.instance() or QApplication(["lumenvale-demo"])  # noqa: F841 (kept alive)
    image = command_run(command, scheme) if command else shell_tour(scheme)
    output.parent.mkdir(parents=True, exist_ok=True)
    writer = QImageWriter(str(output), QByteArray(b"png"))
    writer.setQuality(0)  # for PNG: the strongest compression
    if not writer.write(image):
        raise RuntimeError(f"cannot write {output}: {writer.errorString()}")
