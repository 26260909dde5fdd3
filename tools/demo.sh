#!/usr/bin/env bash
# Builds everything, packs demo/payload into a package with oxpack, shows
# what the package holds, and runs it silently under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OX_BUILD:-$root/build}
"$root/tools/build.sh" | grep -m1 -E '^oxtarn.exe:' || true

# Unix paths are seen by Windows programs under drive Z:.
win() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }
wine_run() { "$build/wine-run" "$@"; }
trap '"$build/wine-run" --stop' EXIT

demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/out"
echo "== packing demo/payload"
wine_run "$build/bin/oxpack.exe" --folder "$(win "$root/demo/payload")" \
  --title "Demo package" --destination "$(win "$demo/out")" --command readme.txt \
  --output "$(win "$demo/demo.exe")"
echo "== what the package holds"
wine_run "$build/bin/oxpack.exe" --inspect "$(win "$demo/demo.exe")"
echo "== running the package silently"
set +e
(cd "$demo" && wine_run "$demo/demo.exe" '$SILENT$')
code=$?
set -e
echo "== extracted files"
if [ -d "$demo/out" ]; then (cd "$demo/out" && find . -type f | sort); else echo "(none: the destination was not kept)"; fi
echo "== exit code: $code"
