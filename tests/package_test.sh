#!/bin/sh
# Installs a build folder into a scratch prefix and checks the layout: the
# public headers under include/lumenvale (the entry headers and what they
# include, nothing else), the CMake package under lib/cmake/lumenvale, nothing
# at the prefix's root, and the Python module only in a site-packages folder
# (importable from there) when the build has it.  Then builds the cpp_embed
# example on its own against the prefix through find_package(lumenvale) and
# runs it on a pseudo terminal.
# usage: package_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1 source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
fail() { echo "installed package: $*"; exit 1; }
cmake --install "$build" --prefix "$prefix" >/dev/null

# The headers an application includes; the installed set must be exactly
# these and the headers they include, directly or not, all under lumenvale/,
# and they may include nothing but each other, Qt and the standard library.
inc=$prefix/include
todo="lumenvale/TerminalWidget lumenvale/TerminalItem lumenvale/PtySession lumenvale/Palette lumenvale/Attach lumenvale/input_encoding.h"
: >"$scratch/closure"
while set -- $todo && [ $# -gt 0 ]; do
  header=$1; shift; todo=$*
  grep -qxF "$header" "$scratch/closure" && continue
  [ -f "$inc/$header" ] ||
    fail "$header is public or included by an installed header, but not installed (cmake/Install.cmake lists them)"
  echo "$header" >>"$scratch/closure"
  quoted=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$inc/$header")
  for q in $quoted; do
    case $q in lumenvale/*) ;; *) fail "$header includes \"$q\", which is not a public header" ;; esac
  done
  sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$inc/$header" |
    grep -vE '^(Qt[A-Za-z]*/)?Q[A-Za-z]*(\.h)?$|^Qt[A-Za-z]*/q[a-z]*\.h$|^[a-z_]+$' &&
    fail "$header includes the headers above, neither Qt's nor the standard library's"
  todo="$todo $quoted"
done
(cd "$inc" && find . -type f | sed 's|^\./||' | sort) >"$scratch/installed"
sort "$scratch/closure" >"$scratch/public"
extra=$(comm -23 "$scratch/installed" "$scratch/public" | tr '\n' ' ')
[ -z "$extra" ] || fail "headers no public header includes were installed: $extra"

[ -f "$prefix/lib/cmake/lumenvale/lumenvaleConfig.cmake" ] || fail "no lib/cmake/lumenvale/lumenvaleConfig.cmake"

# The QML module: plugin, qmldir and type description together in a folder
# Lumenvale of an import path, and an engine given that path imports it.
qmldir=$(find "$prefix" -path '*/qml/Lumenvale/qmldir') || true
[ -n "$qmldir" ] || fail "no qml/Lumenvale/qmldir"
module=$(dirname "$qmldir")
[ -f "$module/liblumenvale_qml.so" ] && [ -f "$module/lumenvale_qml.qmltypes" ] ||
  fail "the QML plugin or its type description is not beside $qmldir"
if python3 -c 'import PySide6.QtQml' 2>/dev/null; then
  QML_IMPORT_PATH=$(dirname "$module") QT_QPA_PLATFORM=offscreen python3 -c '
import sys
from PySide6.QtGui import QGuiApplication
from PySide6.QtQml import QQmlComponent, QQmlEngine
app = QGuiApplication([])
engine = QQmlEngine()
component = QQmlComponent(engine)
component.setData(b"import Lumenvale 1.0\nTerminal { width: 200; height: 100 }", "inline.qml")
item = component.create()
sys.exit(item is None or item.property("columns") < 1)' || fail "import Lumenvale from $(dirname "$module") gives no Terminal"
fi
# The Designer plugin: in a designer folder of a plugin path, and it loads
# and creates a terminal from there.
if [ -x "$build/bin/load_designer_plugin" ]; then
  plugin=$(find "$prefix" -path '*/plugins/designer/*lumenvale_designer*') || true
  [ -n "$plugin" ] || fail "no plugins/designer/liblumenvale_designer.so"
  QT_QPA_PLATFORM=offscreen "$build/bin/load_designer_plugin" "$plugin" >/dev/null ||
    fail "the installed Designer plugin $plugin does not create a terminal"
fi
loose=$(find "$prefix" -mindepth 1 -maxdepth 1 -type f | tr '\n' ' ')
[ -z "$loose" ] || fail "files at the root of the prefix: $loose"

# The module, its stub and the stub package: in site-packages, or absent.
find "$prefix" \( -name 'lumenvale*.so' -o -name 'lumenvale*.pyd' -o -name 'lumenvale*.pyi' \
  -o -name lumenvale-stubs \) -prune -print >"$scratch/python"
if grep -q '^LUMENVALE_BUILD_PYTHON:BOOL=ON$' "$build/CMakeCache.txt"; then
  modules=$(grep -E '\.(so|pyd)$' "$scratch/python") || fail "the Python module was not installed"
  [ "$(echo "$modules" | wc -l)" = 1 ] || fail "more than one module installed: $modules"
  site=$(dirname "$modules")
  case $site in */site-packages | */dist-packages) ;; *) fail "the module is in $site, not a site-packages folder" ;; esac
  grep -v "^$site/" "$scratch/python" && fail "Python files outside $site (above)"
  [ -f "$site/lumenvale.pyi" ] && [ -f "$site/lumenvale-stubs/__init__.pyi" ] || fail "the stubs are not beside the module"
  PYTHONPATH=$site QT_QPA_PLATFORM=offscreen python3 -c \
    'import sys, lumenvale; sys.exit(not lumenvale.__file__.startswith(sys.argv[1]))' "$site" ||
    fail "the installed module is not the one imported from $site"
else
  [ ! -s "$scratch/python" ] || fail "Python files installed by a build without the module: $(cat "$scratch/python")"
fi
echo "the installed layout holds the public headers, the CMake package and the module in $(echo "${site:-no}" | sed "s|^$prefix/||")"

cmake -S "$source/examples/cpp_embed" -B "$scratch/build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$scratch/build" >/dev/null
status=0
QT_QPA_PLATFORM=offscreen "$scratch/build/cpp_embed" sh -c 'exit 5' || status=$?
[ "$status" = 5 ] || { echo "the example built against the installed package returned $status, not 5"; exit 1; }
echo "find_package(lumenvale) build of cpp_embed runs"
