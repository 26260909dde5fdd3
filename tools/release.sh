#!/usr/bin/env bash
# Builds the programs and writes dist/oxpack-VERSION-win32.zip: what a
# package's maker needs on Windows (oxpack.exe and the extractor oxtarn.exe
# it writes into every package), the README, the licence, and SHA256SUMS of
# them all; and dist/oxpack-VERSION-linux-x86_64.tar.gz, the same for a
# Linux build server, with the native oxpack in place of oxpack.exe. The
# version is the one in src/services/uVersion.h.
#
#   tools/release.sh [--programs DIR] [--native DIR] [--output DIR]
#
#   --programs DIR   take oxpack.exe and oxtarn.exe from DIR instead of the
#                    build's 32-bit programs (the test of the release uses
#                    its own build's where 32-bit programs cannot run)
#   --native DIR     take the native oxpack from DIR (default: the build's,
#                    build/native/bin); the extractor beside it in the
#                    tarball is the one of --programs
#   --output DIR     write the archives into DIR (default: dist/)
#
# The archives' bytes depend only on their files: entries in a fixed order,
# dated with SOURCE_DATE_EPOCH, or else the last commit's time, and owned
# by no one in particular.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OX_BUILD:-$root/build}
programs="" native=$build/native/bin output=$root/dist
while [ $# -gt 0 ]; do
  case $1 in
  --programs) programs=${2:?}; shift 2 ;;
  --native) native=${2:?}; shift 2 ;;
  --output) output=${2:?}; shift 2 ;;
  *) echo "release: unknown argument $1 (see the top of $0)" >&2; exit 2 ;;
  esac
done

version=$(sed -n 's/^#define OXTARN_VERSION_TEXT "\(.*\)"$/\1/p' "$root/src/services/uVersion.h")
[ -n "$version" ] || { echo "release: no version in src/services/uVersion.h" >&2; exit 1; }
if [ -z "$programs" ]; then
  "$root/tools/build.sh" >&2
  if [ "$("$root/tools/arch.sh")" = x86_64 ]; then programs=$build/product32/bin; else programs=$build/bin; fi
fi
for program in oxpack.exe oxtarn.exe; do
  [ -f "$programs/$program" ] || { echo "release: $programs/$program is missing" >&2; exit 1; }
done
[ -x "$native/oxpack" ] || { echo "release: $native/oxpack is missing (tools/build.sh builds it)" >&2; exit 1; }
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}

mkdir -p "$output"
zip=$output/oxpack-$version-win32.zip
tarball=$output/oxpack-$version-linux-x86_64.tar.gz
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
mkdir "$staging/linux"
cp "$programs/oxpack.exe" "$programs/oxtarn.exe" "$staging/"
cp "$native/oxpack" "$programs/oxtarn.exe" "$staging/linux/"
cp "$root/README.md" "$root/LICENSE" "$staging/"
cp "$root/README.md" "$root/LICENSE" "$staging/linux/"
(cd "$staging" && sha256sum oxpack.exe oxtarn.exe README.md LICENSE >SHA256SUMS)
(cd "$staging/linux" && sha256sum oxpack oxtarn.exe README.md LICENSE >SHA256SUMS)
# Written beside the zip first: an interrupted run never leaves a zip that
# looks complete.
python3 - "$staging" "$zip.partial" "oxpack-$version" "$epoch" <<'PY'
import os, sys, time, zipfile
staging, target, top, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip dates start in 1980
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as archive:
    for name in ["oxpack.exe", "oxtarn.exe", "README.md", "LICENSE", "SHA256SUMS"]:
        entry = zipfile.ZipInfo(top + "/" + name, stamp)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.external_attr = 0o644 << 16
        with open(os.path.join(staging, name), "rb") as source:
            archive.writestr(entry, source.read())
PY
python3 - "$staging/linux" "$tarball.partial" "oxpack-$version" "$epoch" <<'PY'
import gzip, os, sys, tarfile
staging, target, top, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
with open(target, "wb") as raw, gzip.GzipFile("", "wb", 9, raw, mtime=epoch) as packed, \
        tarfile.open(fileobj=packed, mode="w", format=tarfile.USTAR_FORMAT) as archive:
    for name in [None, "oxpack", "oxtarn.exe", "README.md", "LICENSE", "SHA256SUMS"]:
        path = os.path.join(staging, name) if name else staging
        entry = archive.gettarinfo(path, top + "/" + name if name else top)
        entry.mtime, entry.uid, entry.gid, entry.uname, entry.gname = epoch, 0, 0, "root", "root"
        entry.mode = 0o755 if name in (None, "oxpack") else 0o644
        if name:
            with open(path, "rb") as source:
                archive.addfile(entry, source)
        else:
            archive.addfile(entry)
PY
mv -f "$zip.partial" "$zip"
mv -f "$tarball.partial" "$tarball"
echo "$zip"
echo "$tarball"
