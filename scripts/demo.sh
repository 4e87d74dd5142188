#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program's main job headless:
# the demonstration Export, then Import, in a data directory of the build.
# Usage: scripts/demo.sh [BUILD_DIR]   (default build folder: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}

bash scripts/setup.sh
bash scripts/configure.sh "$build_dir" > /dev/null
cmake --build "$build_dir"

data=$build_dir/demo-data
mkdir -p "$data"
orvan=$build_dir/app/cli/orvan
echo
echo "\$ orvan --data-dir $data export"
"$orvan" --data-dir "$data" export
echo "\$ orvan --data-dir $data import"
"$orvan" --data-dir "$data" import
echo
echo "Archive:              $data/exportORVAN.orvan"
echo "Attachment source:    $data/document2export.txt"
echo "Extracted attachment: $data/temp/document2export.txt"
