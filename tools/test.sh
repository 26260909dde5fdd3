#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine, on an Xvfb
# display of the build tree's own. Extra arguments go to ctest, e.g.
#   tools/test.sh -R utils
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OX_BUILD:-$root/build}
"$root/tools/build.sh"
trap '"$build/wine-run" --stop' EXIT
# The programs under test are 32-bit, and so is the Wine that runs them: a
# kernel that refuses 32-bit programs fails every Windows test at once with
# "Exec format error". Say why before ctest reports each of them.
if ! wine_loader=$(command -v wine) || ! "$wine_loader" --version >/dev/null 2>&1; then
  echo "test: Wine does not start on this machine, so no Windows program can be tested here." >&2
  if dmesg 2>/dev/null | grep -q '32-bit emulation disabled'; then
    echo "test: the kernel has its 32-bit emulation switched off (dmesg: \"32-bit emulation disabled\");" >&2
    echo "test: it needs ia32_emulation=on, which only the machine's boot settings can give." >&2
  fi
fi
# Create the Wine prefix once, before tests start in parallel.
"$build/wine-run" wineboot -i >/dev/null 2>&1 || true
# Wine hides a closing window by asking the window manager to withdraw it
# and waits up to 2 s for an answer that the tests' display, which has no
# window manager, never gives; unmanaged windows close at once.
"$build/wine-run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
cd "$build"
ctest --output-on-failure -j2 "$@"
