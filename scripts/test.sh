#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test.
# Usage: scripts/test.sh [BUILD_DIR [CMAKE_OPTION...]]   (default build folder: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
shift || true

bash scripts/setup.sh
bash scripts/configure.sh "$build_dir" "$@"
cmake --build "$build_dir"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
