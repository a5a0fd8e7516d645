#!/usr/bin/env bash
# Runs bench_e2e and the peers' e2e-qtw alternately on the same workloads and
# grids (the machine's load then hits both alike) and prints a table of both,
# with our MB/s over theirs.  Run as root from the checkout, after
# `./dev build bench_e2e` and the peers' setup.
#
# usage: bench/e2e/alternate.sh [-n RUNS] [-s "80x24 200x60"] [-b BENCH] [WORKLOAD...]
#   BENCH  our binary (default build/bin/bench_e2e), run through ./dev run
set -euo pipefail
cd "$(dirname "$0")/../.."
peers=$(cd .. && pwd)/shared/peers
runs=1 sizes="80x24 200x60" bench=build/bin/bench_e2e wl=()
while [ $# -gt 0 ]; do
  case $1 in
    -n) runs=$2; shift 2 ;;
    -s) sizes=$2; shift 2 ;;
    -b) bench=$2; shift 2 ;;
    *) wl+=("$1"); shift ;;
  esac
done
[ ${#wl[@]} -gt 0 ] || wl=(ascii sgr cursor unicode scroll)
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
printf '%-8s %-8s %9s %9s %6s %13s %15s\n' size workload ours_MBps qtw_MBps ratio paints_o/q stall_ms_o/q
for s in $sizes; do
  c=${s%x*} r=${s#*x}
  for w in "${wl[@]}"; do
    for _ in $(seq "$runs"); do
      ours=$(echo "$bench --cols $c --rows $r $w 2>/dev/null | tail -n 1" | ./dev shell 2>/dev/null | tail -n 1)
      theirs=$("$peers/e2e-qtw" -n 1 -s "$s" "$w" 2>&1 | grep -m1 "MBps=" || true)
      mo=$(field MBps "$ours") mq=$(field MBps "$theirs")
      ratio=$(python3 -c "print('%.2f' % ($mo / $mq) if '$mo' and '$mq' and float('$mq') > 0 else '-')" 2>/dev/null || echo -)
      printf '%-8s %-8s %9s %9s %6s %13s %15s\n' "$s" "$w" "$mo" "$mq" "$ratio" \
        "$(field paints "$ours")/$(field paints "$theirs")" "$(field max_stall_ms "$ours")/$(field max_stall_ms "$theirs")"
    done
  done
done
