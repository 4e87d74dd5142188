#!/usr/bin/env bash
# Installs what is missing, builds, and takes the README's screenshots of the
# dialog on a real X server (Xvfb) with the fonts of this machine:
# docs/dialog.png, docs/about.png and docs/progress.png (a long Export).
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default build folder: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}

bash scripts/setup.sh
cmake -S . -B "$build_dir" -G Ninja > /dev/null
cmake --build "$build_dir" --target orvan_gui_screenshots
QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" \
  "$build_dir/app/gui/qt/tests/orvan_gui_screenshots" docs
