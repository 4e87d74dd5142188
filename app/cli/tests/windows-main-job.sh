#!/usr/bin/env bash
# The main job of orvan.exe under wine, in a folder whose name needs more than
# one UTF-16 unit per character: export, import and check of the
# demonstration record, no temporary file left behind, and the archive read
# back on Linux's terms (a ZIP that unzip accepts).
# Usage: windows-main-job.sh ORVAN_EXE
set -euo pipefail
orvan_exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder="$work/Müller 😀"
mkdir -p "$folder"
cd "$folder"
run() { wine "$orvan_exe" --data-dir . "$@"; }

run export | grep -F "file 'exportORVAN.orvan' successfully exported!"
run import | grep -F "file 'exportORVAN.orvan' successfully imported!"
run check exportORVAN.orvan
cmp temp/document2export.txt document2export.txt
leftovers=$(find . -name '.*.tmp-*' -o -name '.*.old-*')
if [[ -n $leftovers ]]; then
  echo "left behind: $leftovers" >&2
  exit 1
fi
if command -v unzip >/dev/null; then
  unzip -tq exportORVAN.orvan
fi
echo "main job in '$folder': passed"
