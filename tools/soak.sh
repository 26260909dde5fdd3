#!/usr/bin/env bash
# Runs the whole test suite again and again as CI runs it: in a fresh clone
# of this repository's committed HEAD, with a fresh Wine prefix for every
# run, optionally with CPU-bound busy loops beside it. Prints each run's
# result and a closing "N passed, M failed" line; exits non-zero when any
# run failed. Not part of CI.
#
#   tools/soak.sh [-n RUNS] [-k LOOPS] [-b BUSY_RUNS] [-d DIR] [--fresh-build] [-- CTEST ARGS...]
#
#   -n RUNS         runs of tools/test.sh (default 10)
#   -k LOOPS        busy loops (each keeps one core busy) during the busy runs (default 0)
#   -b BUSY_RUNS    how many of the runs have the busy loops (default: all, when -k is given);
#                   they alternate with quiet runs as far as the count allows
#   -d DIR          folder for the clone and the logs (default: a new one under /tmp)
#   --fresh-build   build every run from nothing too (default: the first run builds,
#                   later runs keep the build and start from a fresh prefix)
#   -- ARGS         passed to tools/test.sh, so to ctest (e.g. -- -R dialogs)
#
# Example: ten runs, five of them with two busy loops:
#   tools/soak.sh -n 10 -k 2 -b 5
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

runs=10 loops=0 busy_runs="" dir="" fresh_build=0
usage() { sed -n '8,20p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
while [ $# -gt 0 ]; do
  case $1 in
  -n) runs=${2:?}; shift 2 ;;
  -k) loops=${2:?}; shift 2 ;;
  -b | --busy-runs) busy_runs=${2:?}; shift 2 ;;
  -d) dir=${2:?}; shift 2 ;;
  --fresh-build) fresh_build=1; shift ;;
  --) shift; break ;;
  -h | --help) usage ;;
  *) echo "soak: unknown argument $1" >&2; usage ;;
  esac
done
for number in "$runs" "$loops" ${busy_runs:+"$busy_runs"}; do
  case $number in '' | *[!0-9]*) echo "soak: $number is not a count" >&2; exit 2 ;; esac
done
[ "$runs" -ge 1 ] || { echo "soak: at least one run" >&2; exit 2; }
if [ -z "$busy_runs" ]; then
  if [ "$loops" -gt 0 ]; then busy_runs=$runs; else busy_runs=0; fi
fi
[ "$busy_runs" -le "$runs" ] || { echo "soak: more busy runs than runs" >&2; exit 2; }
[ "$busy_runs" -eq 0 ] || [ "$loops" -gt 0 ] || { echo "soak: busy runs need -k LOOPS" >&2; exit 2; }

if [ -z "$dir" ]; then
  dir=$(mktemp -d /tmp/oxtarn-soak.XXXXXX)
else
  mkdir -p "$dir"
fi
clone=$dir/clone
rm -rf "$clone"
if ! git clone -q "$root" "$clone"; then
  echo "soak: cannot clone $root" >&2
  exit 1
fi
echo "soak: $(git -C "$clone" log -1 --format='%h %s'), $runs runs, $busy_runs of them with $loops busy loops; in $dir"

busy=()
stop_busy() {
  local pid
  for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${busy[@]}"; do wait "$pid" 2>/dev/null; done
  busy=()
}
trap stop_busy EXIT
trap 'stop_busy; exit 130' INT TERM

passed=0 failed=0 busy_left=$busy_runs
for run in $(seq 1 "$runs"); do
  runs_left=$((runs - run + 1))
  # Busy runs alternate with quiet ones, and fill the end when they must.
  with_busy=0
  if [ "$busy_left" -gt 0 ] && { [ $((run % 2)) -eq 0 ] || [ "$busy_left" -ge "$runs_left" ]; }; then
    with_busy=1
    busy_left=$((busy_left - 1))
  fi
  if [ "$fresh_build" -eq 1 ]; then
    rm -rf "$clone/build"
  else
    # What CI starts from: no prefix, no display, no test output.
    rm -rf "$clone/build/wineprefix" "$clone/build/xvfb" "$clone/build/Testing"
  fi
  if [ "$with_busy" -eq 1 ]; then
    for _ in $(seq 1 "$loops"); do
      (while :; do :; done) &
      busy+=($!)
    done
    note=" with $loops busy loops"
  else
    note=""
  fi
  log=$dir/run$run.log
  start=$(date +%s)
  (cd "$clone" && env -u OX_BUILD tools/test.sh "$@") >"$log" 2>&1
  code=$?
  seconds=$(($(date +%s) - start))
  stop_busy
  summary=$(grep -E 'tests passed, [0-9]+ tests failed' "$log" | tail -n 1)
  if [ "$code" -eq 0 ]; then
    passed=$((passed + 1))
    echo "run $run/$runs$note: passed in ${seconds} s (${summary:-no ctest summary}); log $log"
  else
    failed=$((failed + 1))
    echo "run $run/$runs$note: FAILED (exit code $code) in ${seconds} s (${summary:-no ctest summary}); log $log"
    # The failed tests and their first failing checks.
    grep -E '^\s+[0-9]+ - .*\((Failed|Timeout|Not Run|SEGFAULT|Exception)|\[  FAILED  \]|Failure$' "$log" |
      sort -u | head -n 20 | sed 's/^/    /'
    grep -q 'tests passed' "$log" || tail -n 5 "$log" | sed 's/^/    /'
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
