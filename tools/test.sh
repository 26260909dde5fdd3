#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine, on an Xvfb
# display of the build tree's own. Extra arguments go to ctest, e.g.
#   tools/test.sh -R utils
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OX_BUILD:-$root/build}
"$root/tools/build.sh"
trap '"$build/wine-run" --stop' EXIT
# Create the Wine prefix once, before tests start in parallel.
"$build/wine-run" wineboot -i >/dev/null 2>&1 || true
cd "$build"
ctest --output-on-failure -j2 "$@"
