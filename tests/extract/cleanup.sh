#!/bin/sh
# Removes the links and unmounts what setup.sh made, also after a run
# that was cut short.
build=${OX_BUILD_DIR:?OX_BUILD_DIR is not set}
dir="$build/ex-mounts/small"
rm -f "$build/ex-mounts/ready"
rm -rf "$build/ex-links"
while mountpoint -q "$dir" 2>/dev/null; do
  umount "$dir" 2>/dev/null || umount -l "$dir" || exit 1
done
exit 0
