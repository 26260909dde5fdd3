#!/bin/sh
# Mounts the file systems behind the drives of the work-folder tests:
# tmpfs reports whatever size it is given, so a drive can have little room or
# far more than any real disk here. Without the right to mount, the tests that
# need these drives skip; the reason is left in the "unavailable" file.
build=${OX_BUILD_DIR:?OX_BUILD_DIR is not set}
mounts="$build/wf-mounts"
sh "$(dirname "$0")/cleanup.sh" || true
mkdir -p "$mounts" || exit 1
rm -f "$mounts/ready" "$mounts/unavailable"

# temp: between 4 and 16 MiB. The others: more than the 500 GiB that the
# fallback test asks for, which no real disk here has, yet less than 1 TiB,
# which the test that no drive has room asks for beyond C:'s free space.
for mount in temp:8m net:600G cd:600G floppy:600G fixed:600G; do
  name=${mount%%:*}
  size=${mount#*:}
  mkdir -p "$mounts/$name"
  if ! error=$(mount -t tmpfs -o "size=$size" ox-wf-tmpfs "$mounts/$name" 2>&1); then
    sh "$(dirname "$0")/cleanup.sh"
    echo "cannot mount tmpfs on $mounts/$name: $(echo "$error" | head -n 1)" |
      tee "$mounts/unavailable"
    exit 0
  fi
done
: > "$mounts/ready"
