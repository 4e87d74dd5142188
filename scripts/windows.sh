#!/usr/bin/env bash
# Builds orvan.exe for 64-bit Windows with Debian's mingw-w64, its libraries
# cross-built from their Debian source packages, and runs every test program
# under wine. The programs land in BUILD_DIR/app/cli (orvan.exe with the
# magic.mgc it needs beside it).
# Usage: scripts/windows.sh [BUILD_DIR]   (default build folder: build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build-windows}
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)

bash scripts/windows-deps.sh "$build_dir"
cmake -S . -B "$build_dir" -G Ninja -DORVAN_WARNINGS_AS_ERRORS=ON -DORVAN_BUILD_GUI=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DORVAN_WINDOWS_PREFIX="$build_dir/prefix"
cmake --build "$build_dir"

# One wine server for all the tests, in a wine prefix of the build's own.
export WINEPREFIX="$build_dir/wine" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wineserver --kill >/dev/null 2>&1 || true
wineserver --persistent=60  # stays between the tests, goes a minute after the last
trap 'wineserver --kill >/dev/null 2>&1 || true' EXIT
wineboot --init >/dev/null 2>&1
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
