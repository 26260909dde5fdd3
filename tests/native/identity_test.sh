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
# The identity options: the resource section is rewritten alike, and the
# package runs with it.
cp "$build/art/$(ls "$build/art" | grep '\.ico$' | head -n 1)" "$work/brand.ico"
cd "$work"
both branded --icon brand.ico --product-name "Frob ☃" --product-version 2.5.17.3 \
  --company Frob --description Setup --copyright "(c) Frob" --destination "$(windows "$work/out")"
echo "native: both builders wrote the same bytes"

for package in destined branded; do
  rm -rf "$work/out"
  "$build/wine-run" "$(windows "$work/native/$package.exe")" '$SILENT$'
  for file in a.txt locked.txt .dotted noise.bin "Ünïcödé ☃/日本語.txt"; do
    cmp "$work/in/$file" "$work/out/$file"
  done
done
echo "native: its packages extract under Wine"

# Every character of each Windows ANSI and OEM code page: the native
# builder takes a code page only where it converts as oxpack.exe does, and
# refuses the others by name. The one tolerated gap: private-use
# characters glibc has no bytes for are refused natively, never written
# as other bytes.
pages="437 737 775 850 852 855 857 860 861 862 863 864 865 866 869 874 932 936 949 950 1250 1251 1252 1253 1254
  1255 1256 1257 1258"
mkdir -p "$work/pages-native" "$work/pages-wine"
"$build/native/bin/CodePageTables" "$work/pages-native" $pages
"$build/wine-run" "$(windows "$build/bin/CodePageTables.exe")" "$(windows "$work/pages-wine")" $pages
for page in $pages; do
  if [ "$(head -n 1 "$work/pages-native/$page.txt")" = usable ]; then
    paste -d '|' "$work/pages-native/$page.txt" "$work/pages-wine/$page.txt" \
      | awk -F '|' -v page="$page" '$1 != $2 && !($1 ~ /^(E...|F[0-8]..) -$/) {
          print "native: code page " page " differs: " $0; bad = 1 } END { exit bad }'
  else
    status=0
    "$native" --quiet --extractor "$extractor" --folder "$work/in" --output "$work/refused.exe" \
      --codepage "$page" 2>"$work/refused.txt" || status=$?
    [ "$status" = 2 ] && grep -q "code page $page" "$work/refused.txt" && [ ! -e "$work/refused.exe" ]
  fi
done
# Such a character is refused with the reason, and nothing is written.
status=0
"$native" --quiet --extractor "$extractor" --folder "$work/in" --output "$work/refused.exe" --codepage 932 \
  --title "$(printf '\357\243\260')" 2>"$work/refused.txt" || status=$?
[ "$status" = 1 ] && grep -q "U+F8F0 .*oxpack.exe writes it" "$work/refused.txt" && [ ! -e "$work/refused.exe" ]
echo "native: code pages converted as oxpack.exe does, or refused"

echo "native: done"
