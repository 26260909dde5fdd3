#!/bin/sh
# The native oxpack and oxpack.exe under Wine, given the same folder and
# options, write the same bytes; a package of the native one extracts
# under Wine, silently.
set -eu
build=${OX_BUILD_DIR:?}
native=$build/native/bin/oxpack
work=$build/native-identity
rm -rf "$work"
mkdir -p "$work/in/Ünïcödé ☃" "$work/native" "$work/wine" "$work/out"
windows() { echo "Z:$1" | tr / '\\'; }

printf 'plain\r\n' >"$work/in/a.txt"
printf 'read-only\r\n' >"$work/in/locked.txt"
chmod a-w "$work/in/locked.txt"
printf 'dot\r\n' >"$work/in/.dotted"
printf 'κόσμε\r\n' >"$work/in/Ünïcödé ☃/日本語.txt"
head -c 200000 /dev/urandom >"$work/in/noise.bin"
export SOURCE_DATE_EPOCH=1700000000
extractor=$build/bin/oxtarn.exe

# NAME OPTIONS...: packs with both builders and compares every file written.
both() {
  name=$1
  shift
  "$native" --quiet --extractor "$extractor" --folder "$work/in" --output "$work/native/$name.exe" "$@"
  "$build/wine-run" "$(windows "$build/bin/oxpack.exe")" --quiet --extractor "$(windows "$extractor")" \
    --folder "$(windows "$work/in")" --output "$(windows "$work/wine/$name.exe")" "$@"
  for file in "$work/native/$name"*; do
    cmp "$file" "$work/wine/$(basename "$file")"
  done
  [ "$(ls "$work/native" | grep -c "^$name")" = "$(ls "$work/wine" | grep -c "^$name")" ]
}
both plain
both spanning --max-cabinet-size 70000 --set-id 4242
both protected --protect --password secret --max-cabinet-size 90000
both destined --destination "$(windows "$work/out")" --codepage 1252
echo "native: both builders wrote the same bytes"

"$build/wine-run" "$(windows "$work/native/destined.exe")" '$SILENT$'
for file in a.txt locked.txt .dotted noise.bin "Ünïcödé ☃/日本語.txt"; do
  cmp "$work/in/$file" "$work/out/$file"
done
echo "native: its package extracts under Wine"

# What the native build cannot do yet, it refuses.
status=0
"$native" --quiet --extractor "$extractor" --folder "$work/in" --output "$work/native/icon.exe" \
  --product-name X 2>"$work/refused.txt" || status=$?
[ "$status" = 2 ] && grep -q "oxpack.exe" "$work/refused.txt"
echo "native: done"
