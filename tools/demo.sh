#!/usr/bin/env bash
# Builds everything, packs demo/payload into a package with the native
# oxpack (no Wine), shows what the package holds, and runs it silently under
# Wine; then runs a
# larger package as a person would see it, with its progress dialog on the
# build tree's own display, and saves a picture of that dialog.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OX_BUILD:-$root/build}
# The build runs to its end (its last line is the extractor's size): a
# filter that stopped reading early would cut it short.
echo "== building"
"$root/tools/build.sh"

# Unix paths are seen by Windows programs under drive Z:.
win() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }
wine_run() { "$build/wine-run" "$@"; }
# The native builder writes the extractor Wine can run here: the build's
# own, which on a 64-bit-only machine is not the shipped 32-bit one beside
# the native oxpack.
oxpack() { "$build/native/bin/oxpack" --extractor "$build/bin/oxtarn.exe" "$@"; }
trap '"$build/wine-run" --stop' EXIT

demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/out"
echo "== packing demo/payload with the native oxpack"
oxpack --folder "$root/demo/payload" --title "Demo package" --destination "$(win "$demo/out")" \
  --command readme.txt --output "$demo/demo.exe"
echo "== what the package holds"
oxpack --inspect "$demo/demo.exe"
echo "== running the package silently"
set +e
(cd "$demo" && wine_run "$demo/demo.exe" '$SILENT$')
code=$?
set -e
echo "== extracted files"
if [ -d "$demo/out" ]; then (cd "$demo/out" && find . -type f | sort); else echo "(none: the destination was not kept)"; fi
echo "== exit code: $code"

# The same files, a 24 MB one and 2,000 small ones, so that the progress
# dialog stays up long enough to be seen; no command and no completion
# message, so the run ends by itself.
echo "== running a larger package with its progress dialog"
mkdir -p "$demo/big/parts" "$demo/out-dialog"
head -c 24000000 /dev/urandom >"$demo/big/data.bin"
python3 -c 'import sys
for i in range(2000):
    open("%s/part%03d.txt" % (sys.argv[1], i), "w").write(("part %d of the demo\n" % i) * (40 + i))' "$demo/big/parts"
oxpack --folder "$root/demo/payload" "$demo/big/data.bin" --folder "$demo/big/parts" --title "Demo package" \
  --destination "$(win "$demo/out-dialog")" --output "$demo/demo-dialog.exe" >/dev/null
DISPLAY=":$(cat "$build/xvfb/display")"
export DISPLAY
(cd "$demo" && wine_run "$demo/demo-dialog.exe") &
run=$!
seen=""
for _ in $(seq 1 400); do
  kill -0 "$run" 2>/dev/null || break
  if window=$(xdotool search --onlyvisible --name 'Demo package' 2>/dev/null | head -n1) && [ -n "$window" ]; then
    # The window may close at any moment; a failed look is tried again.
    sleep 0.3
    if name=$(xdotool getwindowname "$window" 2>/dev/null) &&
      xwd -silent -id "$window" >"$demo/progress.xwd" 2>/dev/null &&
      python3 "$root/tools/art/xwd_to_png.py" "$demo/progress.xwd" "$demo/progress.png" 2>/dev/null; then
      seen=$name
      break
    fi
  fi
  sleep 0.05
done
set +e
wait "$run"
code=$?
set -e
if [ -n "$seen" ]; then echo "progress dialog shown: \"$seen\" (picture: $demo/progress.png)"; else echo "the progress dialog was not seen"; fi
echo "== extracted files"
(cd "$demo/out-dialog" && find . -type f | sort | sed -n '1,3p;$p' && echo "($(find . -type f | wc -l) files)")
cmp -s "$demo/big/data.bin" "$demo/out-dialog/data.bin" && echo "data.bin is byte for byte its source"
echo "== exit code: $code"
