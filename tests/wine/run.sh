#!/usr/bin/env bash
# Cross-compiles the Win32 session backend with mingw-w64 (so it never rots)
# and runs its smoke test under Wine in a throw-away prefix.
#
# Wine attaches a child to a pseudo console only through handles inherited
# from a terminal, so the test runs under script(1) and reports to a file.
#
# usage: ./dev run tests/wine/run.sh    (LUMENVALE_BUILD_DIR picks the output folder)
set -euo pipefail

SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
OUT=${LUMENVALE_BUILD_DIR:-$SRC/build}/wine
CXX=${LUMENVALE_MINGW_CXX:-x86_64-w64-mingw32-g++-posix}
# Static runtime: the programs need no mingw DLLs inside the prefix.
FLAGS=(-std=c++20 -O2 -Wall -Wextra -Werror -static -static-libgcc -static-libstdc++)
UNIT=(command_line environment_block conpty_messages win32_support conpty_backend)

mkdir -p "$OUT"
echo "== compiling the Win32 backend with $CXX"
objects=()
for name in "${UNIT[@]}"; do
  "$CXX" "${FLAGS[@]}" -I"$SRC" -I"$SRC/include" -I"$SRC/session/windows" \
    -c "$SRC/session/windows/$name.cpp" -o "$OUT/$name.o"
  objects+=("$OUT/$name.o")
done
"$CXX" "${FLAGS[@]}" -I"$SRC" -I"$SRC/include" -I"$SRC/session/windows" \
  "$SRC/tests/wine/conpty_smoke.cpp" "${objects[@]}" -o "$OUT/conpty_smoke.exe"
"$CXX" "${FLAGS[@]}" -municode "$SRC/tests/wine/test_child.cpp" -o "$OUT/test_child.exe"

# The Qt side of the Windows session cannot be linked here (there is no
# Windows build of Qt), but it is compiled against the host's Qt headers, with
# a stand-in for the one Windows-only Qt header it includes.
QT_INCLUDE=$(find /usr/include -maxdepth 3 -type d -path '*qt6' 2>/dev/null | head -1)
if [ -n "$QT_INCLUDE" ] && [ -d "$QT_INCLUDE/QtCore" ]; then
  echo "== compiling the Qt side of the Windows session (syntax only)"
  mkdir -p "$OUT/shim"
  printf '#ifndef NOMINMAX\n#define NOMINMAX\n#endif\n#include <windows.h>\n' > "$OUT/shim/qt_windows.h"
  for source in session/windows/win_pty_session.cpp session/process_session.cpp session/pty_session.cpp; do
    "$CXX" "${FLAGS[@]}" -fsyntax-only -I"$SRC" -I"$SRC/include" -I"$OUT/shim" -I"$QT_INCLUDE" -I"$QT_INCLUDE/QtCore" \
      "$SRC/$source"
  done
fi

if ! command -v wine >/dev/null; then
  echo "== wine is not installed: compiled only" >&2
  exit 0
fi

PREFIX=$(mktemp -d "${TMPDIR:-/tmp}/lumenvale-wine.XXXXXX")
export WINEPREFIX=$PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$PREFIX"
}
trap cleanup EXIT

echo "== creating a Wine prefix"
timeout 120 wineboot -i >/dev/null 2>&1
echo "== running the smoke test"
cd "$OUT"
rm -f results.txt
status=0
timeout 170 script -qec "wine conpty_smoke.exe results.txt" /dev/null >/dev/null 2>&1 || status=$?
cat results.txt 2>/dev/null || echo "no results written"
if [ "$status" -ne 0 ] || ! grep -q '^OK ' results.txt 2>/dev/null; then
  echo "== Wine smoke test FAILED (status $status)" >&2
  exit 1
fi
echo "== Wine smoke test passed"
