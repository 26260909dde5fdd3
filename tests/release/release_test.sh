#!/bin/sh
# The release as a maker receives it: the zip unpacked into an empty
# folder, its sums checked, and a package built with nothing but what it
# holds, then run. Where this machine cannot run the shipped 32-bit
# programs, the same script packs the test build's programs, and that zip
# is the one run.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${OX_BUILD_DIR:?}
product=${OX_PRODUCT_BIN:?}
runnable=$build/bin
work=$build/release-test
rm -rf "$work"
mkdir -p "$work"

unpack() { # ZIP FOLDER: the zip's one top folder, unpacked into FOLDER
  python3 -m zipfile -e "$1" "$2"
  set -- "$2"/oxpack-*
  [ -d "$1" ] || { echo "release: the zip holds no oxpack-VERSION folder" >&2; exit 1; }
  echo "$1"
}

shipped=$(unpack "$("$root/tools/release.sh" --programs "$product" --output "$work/shipped")" "$work/shipped/unpacked")
(cd "$shipped" && ls | sort | tr '\n' ' ' | grep -qx 'LICENSE README.md SHA256SUMS oxpack.exe oxtarn.exe ') ||
  { echo "release: unexpected files: $(ls "$shipped")" >&2; exit 1; }
(cd "$shipped" && sha256sum --quiet -c SHA256SUMS)
cmp "$shipped/oxtarn.exe" "$product/oxtarn.exe"
cmp "$shipped/oxpack.exe" "$product/oxpack.exe"

unpacked=$shipped
if [ "$product" != "$runnable" ]; then
  unpacked=$(unpack "$("$root/tools/release.sh" --programs "$runnable" --output "$work/runnable")" \
    "$work/runnable/unpacked")
fi
mkdir "$work/payload" "$work/out"
printf 'made with the release\r\n' >"$work/payload/hello.txt"
windows() { echo "Z:$1" | tr / '\\'; }
"$build/wine-run" "$(windows "$unpacked/oxpack.exe")" --quiet --no-library --title Release \
  --destination "$(windows "$work/out")" --folder "$(windows "$work/payload")" \
  --output "$(windows "$work/package.exe")"
"$build/wine-run" "$(windows "$work/package.exe")" '$SILENT$'
cmp "$work/payload/hello.txt" "$work/out/hello.txt"
echo "release: the unpacked zip builds a package that extracts"
