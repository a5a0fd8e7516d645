#!/bin/sh
# The shared-library kind (LUMENVALE_SHARED=ON) builds, installs and serves
# the module, the QML plugin and an application built against the installed
# package, as the static default does (tests/package_test.sh on that build).
# usage: ./dev run tests/shared_library_build.sh    (build folder: build-shared)
set -eu
source=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMENVALE_SHARED_BUILD_DIR:-$source/build-shared}
cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMENVALE_SHARED=ON \
  -DLUMENVALE_BUILD_TESTS=OFF -DLUMENVALE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" >"$build/build.log" 2>&1 ||
  { tail -n 30 "$build/build.log"; echo "shared-library build failed; the log is $build/build.log"; exit 1; }
soname=$(readelf -d "$build/widget/libvesper_widget.so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
version=$(sed -n 's/^project(lumenvale VERSION \([0-9]*\.[0-9]*\).*/\1/p' "$source/CMakeLists.txt")
[ "$soname" = "libvesper_widget.so.$version" ] || { echo "the widget library's SONAME is '$soname'"; exit 1; }
QT_QPA_PLATFORM=offscreen sh "$source/tests/package_test.sh" "$build" "$source"
