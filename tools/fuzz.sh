#!/usr/bin/env bash
# Builds the native fuzz targets (tests/fuzz, clang with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer) into build/fuzz (or
# $OX_BUILD/fuzz), replays the checked-in seed corpus through each, then
# fuzzes each target for SECONDS seconds (default 60; 0 replays only).
#   tools/fuzz.sh [SECONDS]
# New inputs go to build/fuzz/corpus/TARGET, inputs that crash a target to
# build/fuzz/findings. OX_FUZZ_SEED fixes libFuzzer's random seed. Exits
# non-zero when any target fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OX_BUILD:-$root/build}/fuzz
seconds=${1:-60}
case $seconds in
  ''|*[!0-9]*) echo "usage: tools/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac
targets=(settings command_line names switches cabwriter)

"$root/tools/setup.sh"
cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" >/dev/null

mkdir -p "$build/findings" "$build/logs"
options=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "-artifact_prefix=$build/findings/")
[ -n "${OX_FUZZ_SEED:-}" ] && options+=("-seed=$OX_FUZZ_SEED")
failed=0
for target in "${targets[@]}"; do
  seeds=$root/tests/fuzz/corpus/$target
  corpus=$build/corpus/$target
  log=$build/logs/$target.log
  mkdir -p "$corpus"
  if ! "$build/fuzz_$target" "${options[@]}" -runs=0 "$seeds" >"$log" 2>&1; then
    echo "fuzz: $target fails on its seed corpus (see $log)" >&2
    tail -n 30 "$log" >&2
    failed=1
    continue
  fi
  [ "$seconds" -eq 0 ] && { echo "fuzz: $target: seed corpus replayed"; continue; }
  if ! "$build/fuzz_$target" "${options[@]}" -max_total_time="$seconds" "$corpus" "$seeds" >"$log" 2>&1; then
    echo "fuzz: $target failed (see $log; inputs in $build/findings)" >&2
    tail -n 30 "$log" >&2
    failed=1
    continue
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz: $target: ${runs:-?} executions in ${seconds} s, no finding; corpus $(ls "$corpus" | wc -l) inputs"
done
exit $failed
