#!/usr/bin/env bash
# The frame-time matrix: every comparison workload at 80x24 and 200x60, `yes`
# at both grids and a 32 MiB paste, for several rounds, each row with the pty
# limit of the same run.  With several binaries (-b "A B") each row runs
# every binary in turn, so that a load that comes and goes meets them alike
# (a baseline built from another commit beside this one).  Prints one line
# per run and a table: the median rate, its ratio to the pty limit, and the
# worst stall figures over the rounds.  Run from the checkout, after a
# Release build of bench_e2e in build-release/ (or `./dev build bench_e2e`).
#
# usage: bench/e2e/matrix.sh [-n ROUNDS] [-s "80x24 200x60"] [-y SECONDS] [-p MIB]
#                            [-N NICE] [-S] [-b "BENCH..."] [WORKLOAD...]
#   -S    also run each cat workload through the session alone (no terminal:
#         its output counted and dropped), the floor of what the pty and the
#         session's hand-over allow in the same round
#   NICE  run each benchmark (and the children it starts) at this niceness,
#         e.g. -10, so that other work on a shared machine preempts it less
#         (say so beside the figures)
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ "${1:-}" != --inside ]; then
  # Everything runs inside the toolchain, in one shell.
  printf '%q ' bash bench/e2e/matrix.sh --inside "$@" | ./dev shell 2>/dev/null
  exit
fi
shift
rounds=3 sizes="80x24 200x60" yes_s=3 paste=32 benches=build/bin/bench_e2e wl=() nice=0 alone=0
[ -x build-release/bin/bench_e2e ] && benches=build-release/bin/bench_e2e
while [ $# -gt 0 ]; do
  case $1 in
    -n) rounds=$2; shift 2 ;;
    -s) sizes=$2; shift 2 ;;
    -y) yes_s=$2; shift 2 ;;
    -p) paste=$2; shift 2 ;;
    -b) benches=$2; shift 2 ;;
    -N) nice=$2; shift 2 ;;
    -S) alone=1; shift ;;
    *) wl+=("$1"); shift ;;
  esac
done
[ ${#wl[@]} -gt 0 ] || wl=(ascii sgr cursor unicode scroll)
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
echo "# $(uptime); niceness $nice"
row() { # LABEL SIZE BENCH [NAME] ARGS...
  local label=$1 size=$2 bench=$3 name=${3##*/}; shift 3
  [ "${1:-}" = --name ] && { name=$2; shift 2; }
  local line
  line=$(nice -n "$nice" "$bench" "$@" 2>/dev/null | tail -n 1) || true
  echo "$name $label $size $line" | tee -a "$out" | sed 's/^/# /'
}
for round in $(seq "$rounds"); do
  for s in $sizes; do
    c=${s%x*} r=${s#*x}
    for w in "${wl[@]}" yes; do
      for b in $benches; do
        if [ "$w" = yes ]; then
          row yes "$s" "$b" --cols "$c" --rows "$r" --yes "$yes_s"
        else
          row "$w" "$s" "$b" --cols "$c" --rows "$r" "$w"
        fi
      done
      if [ "$alone" = 1 ] && [ "$w" != yes ]; then
        b=${benches%% *}
        row "$w" "$s" "$b" --name session-alone --cols "$c" --rows "$r" --session-only "$w"
      fi
    done
  done
  for b in $benches; do
    [ "$paste" -gt 0 ] && row "paste${paste}M" - "$b" --paste "$paste"
  done
done
echo "# $(uptime)"
python3 - "$out" <<'PY'
import re, statistics, sys
rows = {}
for line in open(sys.argv[1]):
    p = line.split()
    if len(p) < 3:
        continue
    f = dict(re.findall(r"(\w+)=([0-9.]+)", line))
    m = re.search(r"limit_before_after=([0-9.]+)/([0-9.]+)", line)
    if m:
        f["readings"] = [float(x) for x in m.groups()]
    t = re.search(r"worst_late_busy_wait_ms=([0-9.]+)/([0-9.]+)/([0-9.]+)", line)
    if t:
        f.update(zip(("late", "busy", "wait"), t.groups()))
    rows.setdefault((p[1], p[2], p[0]), []).append(f)
print("%-10s %-7s %-26s %4s %6s %6s %6s %6s %6s %6s %6s %5s %6s %5s %-15s" % ("workload", "size", "bench", "runs",
      "MBps", "limit", "ratio", "r_min", "max_ms", "p99_ms", ">16ms", "busy", "b>16", "stol", "worst l/b/w"), flush=True)
def med(runs, key):
    v = [float(r[key]) for r in runs if key in r]
    return statistics.median(v) if v else float("nan")
def worst(runs, key):
    v = [float(r[key]) for r in runs if key in r]
    return max(v) if v else float("nan")
def limit(runs):
    # The median of all the rounds' limit readings: one reading can differ
    # from the next by half, and a run's own pair decides little.
    v = [x for r in runs for x in r.get("readings", [])] or [float(r["pty_limit_mbps"]) for r in runs if "pty_limit_mbps" in r]
    return statistics.median(v) if v else float("nan")
for (w, s, b), runs in rows.items():
    late = max((r for r in runs if "late" in r), key=lambda r: float(r["late"]), default=None)
    print("%-10s %-7s %-26s %4d %6.1f %6.1f %6.3f %6.3f %6.1f %6.1f %6.0f %5.1f %6.0f %5.2f %-15s" % (w, s, b[-26:],
          len(runs), med(runs, "MBps"), limit(runs), med(runs, "MBps") / limit(runs),
          min((float(r["of_limit"]) for r in runs if "of_limit" in r), default=float("nan")),
          worst(runs, "max_stall_ms"), worst(runs, "p99_stall_ms"), worst(runs, "over16"), worst(runs, "busy_max_ms"),
          worst(runs, "busy_over16"), worst(runs, "stolen"),
          "/".join(late[k] for k in ("late", "busy", "wait")) if late else "-"), flush=True)
print("MBps: the median of the rounds; limit: the median of their limit readings (one before and one after each\n"
      "run); ratio: MBps over limit; r_min: the lowest of a run's own ratio; the worst of the rounds: max_ms, p99_ms,\n"
      ">16ms (the probe timer's lateness), busy, b>16 (the GUI thread's CPU time between two ticks), stol (the share\n"
      "of the machine a virtual machine's host took); worst l/b/w: the latest tick's lateness, the GUI thread's CPU\n"
      "time and its wait for a processor since the tick before, ms (the rest: not running, e.g. stolen)")
PY
