#!/bin/sh
# ./dev run inside the toolchain root keeps the caller's environment except
# what points into the host's installation and leaves PYTHONPATH as the caller
# set it; ./dev python adds the build's module folder after the caller's
# entries; the caller's folder and paths given as arguments are reachable.  Runs on the host (.ci/run): in
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
PYTHONPATH=/caller/a:/caller/b
LD_LIBRARY_PATH=unset
PYTHONHOME=unset
QT_PLUGIN_PATH=unset
QT_QPA_PLATFORM_PLUGIN_PATH=unset
TMPDIR=unset
PATH=$build/bin
EXPECTED
[ $status = 0 ] || { printf 'the command saw:\n%s\n' "$out"; exit 1; }

out=$(cd "$checkout" && LUMENVALE_NATIVE= PYTHONPATH=/caller/a ./dev python -c 'import os; print(os.environ["PYTHONPATH"])' 2>/dev/null)
[ "$out" = "/caller/a:$build/python" ] || { echo "./dev python saw PYTHONPATH=$out"; exit 1; }

# A folder outside the checkout: the command runs there, and a file named by
# its absolute path from elsewhere is readable.
outside=$(mktemp -d /tmp/lumenvale-caller.XXXXXX)
trap 'rm -rf "$outside"' EXIT
mkdir "$outside/my app" && echo reachable >"$outside/my app/data.txt"
out=$(cd "$outside/my app" && LUMENVALE_NATIVE= "$checkout/dev" run sh -c 'pwd; cat data.txt' 2>/dev/null)
[ "$out" = "$outside/my app
reachable" ] || { echo "./dev run from $outside/my app printed '$out'"; exit 1; }
out=$(cd / && LUMENVALE_NATIVE= "$checkout/dev" run cat "$outside/my app/data.txt" 2>/dev/null)
[ "$out" = reachable ] || { echo "./dev run cat $outside/my app/data.txt printed '$out'"; exit 1; }
echo "./dev run keeps the caller's environment, drops the host's installation paths and reaches the caller's folders"
