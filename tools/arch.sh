#!/usr/bin/env bash
# Prints the architecture whose Windows programs this machine can run under
# Wine: i686 (the shipped product) where 32-bit programs start, else x86_64.
# A kernel with its 32-bit emulation switched off refuses 32-bit Linux
# programs, and Debian's Wine runs 32-bit Windows programs only through one.
# OX_ARCH=i686 or OX_ARCH=x86_64 overrides the choice.
set -euo pipefail
if [ -n "${OX_ARCH:-}" ]; then
  echo "$OX_ARCH"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo i686
else
  echo x86_64
fi
