#!/bin/sh
# Unmounts what setup.sh mounted, also after a run that was cut short.
build=${OX_BUILD_DIR:?OX_BUILD_DIR is not set}
mounts="$build/wf-mounts"
[ -d "$mounts" ] || exit 0
rm -f "$mounts/ready"
status=0
for name in temp net cd floppy fixed; do
  dir="$mounts/$name"
  # A mount can be stacked more than once; a busy one is detached lazily.
  while mountpoint -q "$dir" 2>/dev/null; do
    umount "$dir" 2>/dev/null || umount -l "$dir" || { status=1; break; }
  done
done
exit $status
