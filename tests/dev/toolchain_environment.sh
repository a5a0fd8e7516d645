#!/bin/sh
# ./dev run inside the toolchain root keeps the caller's environment except
# what points into the host's installation, and puts the caller's PYTHONPATH
# entries before the build's module folder.  Runs on the host (.ci/run): in
# the toolchain itself ./dev runs natively and has nothing to filter.
# usage: tests/dev/toolchain_environment.sh
set -eu
checkout=$(cd "$(dirname "$0")/../.." && pwd)
if [ "${LUMENVALE_IN_TOOLCHAIN:-}" = 1 ]; then
  echo "toolchain_environment: skipped inside the toolchain (nothing is filtered there)"
  exit 0
fi
build=${LUMENVALE_BUILD_DIR:-$checkout/build}

# The issue's own example first: a plain variable reaches the command.
out=$(cd "$checkout" && LUMENVALE_NATIVE= FOO=bar ./dev run sh -c 'echo $FOO' 2>/dev/null)
[ "$out" = bar ] || { echo "FOO=bar ./dev run sh -c 'echo \$FOO' printed '$out'"; exit 1; }

# One run for the rest: each line is NAME=value as the command sees it.
out=$(cd "$checkout" && LUMENVALE_NATIVE= \
  QT_QPA_PLATFORM=offscreen QT_DEBUG_PLUGINS=1 PYTHONPATH=/caller/a:/caller/b \
  LD_LIBRARY_PATH=/host/lib PYTHONHOME=/host/python QT_PLUGIN_PATH=/host/plugins \
  QT_QPA_PLATFORM_PLUGIN_PATH=/host/platforms TMPDIR=/host/tmp PATH="/host/bin:$PATH" \
  ./dev run sh -c 'for v in QT_QPA_PLATFORM QT_DEBUG_PLUGINS PYTHONPATH LD_LIBRARY_PATH PYTHONHOME \
      QT_PLUGIN_PATH QT_QPA_PLATFORM_PLUGIN_PATH TMPDIR; do eval "echo $v=\${$v-unset}"; done
    case ":$PATH:" in *:/host/bin:*) echo PATH=host ;; *) echo "PATH=${PATH%%:*}" ;; esac' 2>/dev/null)

status=0
while read -r expected; do
  echo "$out" | grep -qxF "$expected" || { echo "expected $expected"; status=1; }
done <<EXPECTED
QT_QPA_PLATFORM=offscreen
QT_DEBUG_PLUGINS=1
PYTHONPATH=/caller/a:/caller/b:$build/python
LD_LIBRARY_PATH=unset
PYTHONHOME=unset
QT_PLUGIN_PATH=unset
QT_QPA_PLATFORM_PLUGIN_PATH=unset
TMPDIR=unset
PATH=$build/bin
EXPECTED
[ $status = 0 ] || { printf 'the command saw:\n%s\n' "$out"; exit 1; }
echo "./dev run keeps the caller's environment and drops the host's installation paths"
