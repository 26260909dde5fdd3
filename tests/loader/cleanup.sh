#!/bin/sh
# The loader tests save the prefix's cabinet.dll in loader-saved/ before
# they take it away, and put it back themselves. When a run was cut short,
# the saved copy is still there: put it back here, also after a failure.
build=${OX_BUILD_DIR:?OX_BUILD_DIR is not set}
saved="$build/loader-saved/cabinet.dll"
system="$build/wineprefix/drive_c/windows/system32"
[ -f "$saved" ] || exit 0
[ -d "$system" ] || exit 1
rm -f "$system/CABINET.DL_"
if ! cmp -s "$saved" "$system/cabinet.dll"; then
  # Under another name first: a copy cut short must not look like the library.
  cp "$saved" "$system/cabinet.dll.restoring" && mv -f "$system/cabinet.dll.restoring" "$system/cabinet.dll"
fi
if ! cmp -s "$saved" "$system/cabinet.dll"; then
  echo "cannot restore $system/cabinet.dll from $saved" >&2
  exit 1
fi
rm -f "$saved"
