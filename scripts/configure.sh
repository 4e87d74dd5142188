#!/usr/bin/env bash
# The one configuration demo.sh and test.sh share, so that whichever runs
# second builds only what the first did not.
# Usage: scripts/configure.sh BUILD_DIR [CMAKE_OPTION...]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B "$1" -G Ninja -DORVAN_WARNINGS_AS_ERRORS=ON "${@:2}"
