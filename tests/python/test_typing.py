"""The shipped type stub describes the module well enough for mypy --strict on a
program that uses the whole API, and catches misuse."""

import os
import subprocess
import sys
from pathlib import Path

import pytest

import lumenvale

HERE = Path(__file__).parent
STUB_DIR = Path(lumenvale.__file__).parent


def run_mypy(path: Path) -> subprocess.CompletedProcess[str]:
    env = dict(os.environ)
    # An installed module brings its stub-only package (lumenvale-stubs) that
    # mypy finds by itself; a built tree is pointed to explicitly.
    if STUB_DIR.name not in ("site-packages", "dist-packages"):
        env["MYPYPATH"] = str(STUB_DIR)
    return subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--no-incremental", "--cache-dir", os.devnull, str(path)],
        capture_output=True, text=True, env=env, check=False)


@pytest.fixture(scope="module")
def stub_present():
    if not (STUB_DIR / "lumenvale.pyi").exists():
        pytest.fail(f"no lumenvale.pyi beside {lumenvale.__file__}")


def test_example_passes_mypy_strict(stub_present):
    result = run_mypy(HERE / "typing_example.py")
    assert result.returncode == 0, result.stdout + result.stderr


def test_stub_rejects_misuse(stub_present, tmp_path):
    bad = tmp_path / "bad.py"
    bad.write_text(
        "import lumenvale\n"
        "s = lumenvale.PtySession()\n"            # abstract
        "lumenvale.attach(lumenvale.TerminalWidget())\n"  # one argument
        "n: str = lumenvale.QIntList()[0]\n"       # QIntList holds ints
        "lumenvale.TerminalWidget().feed('text')\n"  # bytes, not str
    )
    result = run_mypy(bad)
    for line in (2, 3, 4, 5):
        assert f"bad.py:{line}:" in result.stdout, result.stdout
