#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine and Xvfb.
# Extra arguments go to ctest, e.g.  tools/test.sh -R utils
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OX_BUILD:-$root/build}
"$root/tools/build.sh"
# Create the Wine prefix once, before tests start in parallel.
[ -f "$build/wineprefix/system.reg" ] || OX_NO_XVFB=1 "$build/wine-run" wineboot -i >/dev/null 2>&1 || true
cd "$build"
xvfb-run -a -s '-screen 0 1024x768x24' ctest --output-on-failure -j2 "$@"
