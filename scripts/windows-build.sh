#!/usr/bin/env bash
# Builds the Windows programs with Debian's mingw-w64, their libraries
# cross-built from Debian's source packages first (scripts/windows-deps.sh):
# BUILD_DIR/app/cli/orvan.exe and BUILD_DIR/app/gui/win32/OrvanCommonClassesTest.exe,
# each with the magic.mgc it reads beside it, and the test programs.
# Usage: scripts/windows-build.sh [BUILD_DIR]   (default build folder: build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build-windows}
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)

bash scripts/windows-deps.sh "$build_dir"
cmake -S . -B "$build_dir" -G Ninja -DORVAN_WARNINGS_AS_ERRORS=ON -DORVAN_BUILD_GUI=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DORVAN_WINDOWS_PREFIX="$build_dir/prefix"
cmake --build "$build_dir"
