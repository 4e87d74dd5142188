#!/usr/bin/env bash
# Builds the Windows programs (scripts/windows-build.sh) and takes the
# screenshots of the Windows dialog under wine on an X server of its own
# (Xvfb): docs/windows-dialog.png, docs/windows-about.png and
# docs/windows-progress.png (a long Export). Exits 1 when a window does not
# show or a text does not fit.
# Usage: scripts/windows-screenshots.sh [BUILD_DIR]   (default build folder: build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build-windows}
bash scripts/windows-build.sh "$build_dir"
xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" \
  python3 app/gui/win32/tests/windows_dialog.py screenshots docs --build "$build_dir" --work "$build_dir/screenshots"
