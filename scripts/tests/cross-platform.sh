#!/usr/bin/env bash
# An archive crosses between the systems in both directions unchanged: each
# program exports the demonstration record, the other imports it, and both
# give the same record back (as JSON), the same attachment and the same dump,
# MIME types included. Then a record whose attachment names are one file on
# Windows, or names Windows forbids, crosses both ways.
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

# Written on Linux, every attachment arrives on Windows whole, under the name
# Windows' rule gives it; Windows' record, exported there, arrives on Linux
# under the same names and exports there to the very same archive.
dir="$work/names"
mkdir -p "$dir/files" "$dir/on-windows" "$dir/on-linux"
names=(Report.txt report.txt REPORT.TXT. 'a.txt:evil' 'what?.txt' COM1.txt $'\xce\xa3.txt' $'\xcf\x83.txt')
given=(Report.txt 'report (2).txt' 'REPORT (3).TXT' a.txt_evil what_.txt document-6 $'\xce\xa3.txt' $'\xcf\x83 (2).txt')
leaves=
for i in "${!names[@]}"; do
  echo "attachment $i" >"$dir/files/${names[i]}"
  leaves+="${leaves:+, }{\"sDocument\": {\"lID\": $((i + 1)), \"bstrFilename\": \"files/${names[i]}\"}}"
done
echo "{\"sPatientInfo\": {\"vecDocumentTree\": [{\"mapDocumentLeaf\": [{\"key\": 1, \"values\": [$leaves]}]}]}}" >"$dir/r.json"
(cd "$dir" && on linux -q --data-dir . export --record r.json --archive names.orvan)
(cd "$dir/on-windows" && on windows -q --data-dir . import --archive ../names.orvan --record-out r.json &&
  on windows -q --data-dir . export --record r.json --archive back.orvan)
(cd "$dir/on-linux" && on linux -q --data-dir . import --archive ../on-windows/back.orvan --record-out r.json &&
  on linux -q --data-dir . export --record r.json --archive again.orvan)
for i in "${!names[@]}"; do
  cmp "$dir/files/${names[i]}" "$dir/on-windows/temp/${given[i]}"
  cmp "$dir/files/${names[i]}" "$dir/on-linux/temp/${given[i]}"
done
cmp "$dir/on-windows/back.orvan" "$dir/on-linux/again.orvan"
echo "cross-platform: attachment names Windows takes as one or forbids cross both ways"
