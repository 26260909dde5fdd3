#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: quiet when everything is already there; loud and non-zero when
# an install fails.
set -euo pipefail

packages=(
  cmake ninja-build make
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev
  wine wine32:i386 wine64 fonts-wine xvfb x11-utils
  cabextract osslsigncode openssl libcxxopts-dev gcab locales
  python3 x11-apps xdotool
  clang libclang-rt-14-dev
  libz-mingw-w64-dev zlib1g-dev libssl-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ -d /usr/src/googletest/googletest ] || missing+=(googletest)
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages (${missing[*]}); run this script as root" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
if ! apt-get update -qq >/tmp/oxtarn-setup.log 2>&1; then
  cat /tmp/oxtarn-setup.log >&2
  echo "setup: apt-get update failed" >&2
  exit 1
fi
if ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >>/tmp/oxtarn-setup.log 2>&1; then
  tail -n 40 /tmp/oxtarn-setup.log >&2
  echo "setup: apt-get install failed" >&2
  exit 1
fi
echo "setup: done" >&2
