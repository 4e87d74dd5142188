#!/usr/bin/env bash
# Builds the Windows programs (scripts/windows-build.sh) and runs every test
# program under wine, the dialog's tests on an X server of their own (Xvfb).
# Usage: scripts/windows.sh [BUILD_DIR]   (default build folder: build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build-windows}
bash scripts/windows-build.sh "$build_dir"
build_dir=$(cd "$build_dir" && pwd)

# One wine server for all the tests, in a wine prefix of the build's own.
export WINEPREFIX="$build_dir/wine" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wineserver --kill >/dev/null 2>&1 || true
wineserver --persistent=60  # stays between the tests, goes a minute after the last
trap 'wineserver --kill >/dev/null 2>&1 || true' EXIT
wineboot --init >/dev/null 2>&1
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
