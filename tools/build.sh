#!/usr/bin/env bash
# Configures and builds everything into build/ (or $OX_BUILD).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OX_BUILD:-$root/build}
"$root/tools/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" "$@"
echo "oxtarn.exe: $(stat -c %s "$build/bin/oxtarn.exe") bytes (limit 49152)"
