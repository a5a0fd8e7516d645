#!/bin/sh
# Installs the C++ package from a build folder into a scratch prefix, then
# builds the cpp_embed example on its own against it through
# find_package(lumenvale) and runs it on a pseudo terminal.
# usage: package_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1 source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" --component devel >/dev/null
cmake -S "$source/examples/cpp_embed" -B "$scratch/build" -DCMAKE_PREFIX_PATH="$scratch/prefix" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$scratch/build" >/dev/null
status=0
QT_QPA_PLATFORM=offscreen "$scratch/build/cpp_embed" sh -c 'exit 5' || status=$?
[ "$status" = 5 ] || { echo "the example built against the installed package returned $status, not 5"; exit 1; }
echo "find_package(lumenvale) build of cpp_embed runs"
