#!/bin/sh
# Makes host links for the link test, and mounts a small file system for
# the full-disk test: tmpfs reports the size it is given, so the
# extraction runs out of room part-way. Without the
# right to mount, that test skips; the reason is left in "unavailable".
build=${OX_BUILD_DIR:?OX_BUILD_DIR is not set}
mounts="$build/ex-mounts"
sh "$(dirname "$0")/cleanup.sh" || true
# Links inside a destination, each leading outside it, for the link test.
links="$build/ex-links"
mkdir -p "$links/dest" "$links/outside/folder" || exit 1
printf outside > "$links/outside/file.txt"
ln -s ../outside/file.txt "$links/dest/file.txt" && ln -s ../outside/folder "$links/dest/folder" &&
  : > "$links/ready"
mkdir -p "$mounts/small" || exit 1
rm -f "$mounts/ready" "$mounts/unavailable"
if ! error=$(mount -t tmpfs -o size=1m ox-ex-tmpfs "$mounts/small" 2>&1); then
  echo "cannot mount tmpfs on $mounts/small: $(echo "$error" | head -n 1)" | tee "$mounts/unavailable"
  exit 0
fi
: > "$mounts/ready"
