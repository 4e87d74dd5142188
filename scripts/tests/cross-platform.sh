#!/usr/bin/env bash
# An archive crosses between the systems in both directions unchanged: each
# program exports the demonstration record, the other imports it, and both
# give the same record back (as JSON), the same attachment and the same dump,
# MIME types included.
# Usage: cross-platform.sh LINUX_ORVAN WINDOWS_ORVAN_EXE   (wine runs the second)
set -euo pipefail
linux=$1
windows=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

on() {  # on linux|windows ARGS...: runs the one program
  local system=$1
  shift
  if [[ $system == linux ]]; then "$linux" "$@"; else wine "$windows" "$@"; fi
}

for from in linux windows; do
  to=$([[ $from == linux ]] && echo windows || echo linux)
  dir="$work/$from-to-$to"
  mkdir -p "$dir/written" "$dir/read-here" "$dir/read-there"
  (cd "$dir/written" && on "$from" -q --data-dir . export)
  for reader in "$from" "$to"; do
    out=$([[ $reader == "$from" ]] && echo read-here || echo read-there)
    cp "$dir/written/exportORVAN.orvan" "$dir/$out/"
    (cd "$dir/$out" && on "$reader" -q --data-dir . import --record-out record.json &&
      on "$reader" dump exportORVAN.orvan > dump.txt)
  done
  # Paths in the record are relative to its folder: the two read the same.
  cmp "$dir/read-here/record.json" "$dir/read-there/record.json"
  cmp "$dir/read-here/temp/document2export.txt" "$dir/read-there/temp/document2export.txt"
  cmp "$dir/read-here/dump.txt" "$dir/read-there/dump.txt"
  grep -q 'text/plain' "$dir/read-there/dump.txt"
  echo "cross-platform: an archive written on $from reads the same on $to"
done
