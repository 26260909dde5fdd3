#!/usr/bin/env bash
# Configures and builds everything into build/ (or $OX_BUILD).
#
# The product is 32-bit. On a machine that cannot run 32-bit programs
# (tools/arch.sh), build/ holds a 64-bit build of the same sources, which
# the tests, the demo and the benchmark run under Wine's 64-bit loader, and
# the shipped 32-bit programs are built beside it in build/product32.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OX_BUILD:-$root/build}
"$root/tools/setup.sh"
arch=$("$root/tools/arch.sh")

# A build tree configured for the other architecture starts afresh.
configure() {
  local tree=$1 want=$2
  shift 2
  if [ -f "$tree/CMakeCache.txt" ] && ! grep -q "^OX_TARGET_ARCH:STRING=$want\$" "$tree/CMakeCache.txt"; then
    rm -rf "$tree/CMakeCache.txt" "$tree/CMakeFiles" "$tree/wineprefix"
  fi
  cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOX_TARGET_ARCH="$want" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$want.cmake" "$@" >/dev/null
}

product=$build/bin
if [ "$arch" = x86_64 ]; then
  product=$build/product32/bin
  echo "build: this machine cannot run 32-bit programs; tests and the demo use a 64-bit build," \
    "the shipped 32-bit programs are in $product" >&2
  configure "$build/product32" i686
  if ! cmake --build "$build/product32" --target oxtarn oxpack >"$build/product32.log" 2>&1; then
    tail -n 30 "$build/product32.log" >&2
    echo "build: the 32-bit programs did not build (whole log: $build/product32.log)" >&2
    exit 1
  fi
  configure "$build" x86_64 -DOX_PRODUCT_DIR="$product"
else
  configure "$build" i686
fi
# The package builder for this machine, from the same sources (no Wine, no
# Windows header), with the extractor it writes into packages beside it.
cmake -S "$root/cmake/native" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
if ! cmake --build "$build/native" >"$build/native.log" 2>&1; then
  tail -n 30 "$build/native.log" >&2
  echo "build: the native oxpack did not build (whole log: $build/native.log)" >&2
  exit 1
fi
cp "$product/oxtarn.exe" "$build/native/bin/oxtarn.exe"
cmake --build "$build" "$@"
echo "oxtarn.exe: $(stat -c %s "$product/oxtarn.exe") bytes (limit 52736)"
