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
# Wine hides a closing window by asking the window manager to withdraw it
# and waits up to 2 s for an answer that the tests' display, which has no
# window manager, never gives; unmanaged windows close at once.
"$build/wine-run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
cd "$build"
ctest --output-on-failure -j2 "$@"
