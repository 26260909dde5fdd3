#!/bin/sh
# The release as a maker receives it: the zip and the Linux tarball each
# unpacked into an empty folder, their sums checked, and a package built
# with nothing but what each holds, then run. Where this machine cannot run
# the shipped 32-bit programs, the same script packs the test build's
# programs, and those archives are the ones run.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${OX_BUILD_DIR:?}
product=${OX_PRODUCT_BIN:?}
runnable=$build/bin
work=$build/release-test
rm -rf "$work"
mkdir -p "$work"

# ARCHIVE FOLDER: the archive's one top folder, unpacked into FOLDER, with
# its sums checked.
unpack() {
  mkdir -p "$2"
  case $1 in *.zip) python3 -m zipfile -e "$1" "$2" ;; *) tar -xzf "$1" -C "$2" ;; esac
  set -- "$2"/oxpack-*
  [ -d "$1" ] || { echo "release: $1 holds no oxpack-VERSION folder" >&2; exit 1; }
  (cd "$1" && sha256sum --quiet -c SHA256SUMS)
  echo "$1"
}
release() { # PROGRAMS FOLDER: both archives, twice: the same bytes each time
  SOURCE_DATE_EPOCH=1700000000 "$root/tools/release.sh" --programs "$1" --native "$build/native/bin" \
    --output "$2/again" >/dev/null
  SOURCE_DATE_EPOCH=1700000000 "$root/tools/release.sh" --programs "$1" --native "$build/native/bin" --output "$2"
  for archive in "$2"/oxpack-*; do cmp "$archive" "$2/again/$(basename "$archive")"; done
}
files() { (cd "$1" && ls | sort | tr '\n' ' '); }

release "$product" "$work/shipped" >"$work/shipped.txt"
shipped=$(unpack "$(grep 'win32\.zip$' "$work/shipped.txt")" "$work/shipped/unpacked")
[ "$(files "$shipped")" = 'LICENSE README.md SHA256SUMS oxpack.exe oxtarn.exe ' ] ||
  { echo "release: unexpected files: $(ls "$shipped")" >&2; exit 1; }
cmp "$shipped/oxtarn.exe" "$product/oxtarn.exe"
cmp "$shipped/oxpack.exe" "$product/oxpack.exe"
linux=$(unpack "$(grep 'linux-x86_64\.tar\.gz$' "$work/shipped.txt")" "$work/shipped/linux")
[ "$(files "$linux")" = 'LICENSE README.md SHA256SUMS oxpack oxtarn.exe ' ] ||
  { echo "release: unexpected files: $(ls "$linux")" >&2; exit 1; }
cmp "$linux/oxtarn.exe" "$product/oxtarn.exe"
cmp "$linux/oxpack" "$build/native/bin/oxpack"

runnable_list=$work/shipped.txt
if [ "$product" != "$runnable" ]; then
  release "$runnable" "$work/runnable" >"$work/runnable.txt"
  runnable_list=$work/runnable.txt
fi
unpacked=$(unpack "$(grep 'win32\.zip$' "$runnable_list")" "$work/runnable/unpacked")
linux=$(unpack "$(grep 'linux-x86_64\.tar\.gz$' "$runnable_list")" "$work/runnable/linux")
mkdir "$work/payload"
printf 'made with the release\r\n' >"$work/payload/hello.txt"
windows() { echo "Z:$1" | tr / '\\'; }
"$build/wine-run" "$(windows "$unpacked/oxpack.exe")" --quiet --no-library --title Release \
  --destination "$(windows "$work/out")" --folder "$(windows "$work/payload")" \
  --output "$(windows "$work/package.exe")"
# The native oxpack, run from elsewhere, takes the extractor beside it.
(cd / && "$linux/oxpack" --quiet --no-library --title Release --destination "$(windows "$work/out-linux")" \
  --folder "$work/payload" --output "$work/package-linux.exe")
for package in package package-linux; do
  "$build/wine-run" "$(windows "$work/$package.exe")" '$SILENT$'
done
cmp "$work/payload/hello.txt" "$work/out/hello.txt"
cmp "$work/payload/hello.txt" "$work/out-linux/hello.txt"
echo "release: the unpacked zip and tarball build packages that extract"
