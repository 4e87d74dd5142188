#!/usr/bin/env bash
# orvan.exe under wine where Windows has rules of its own for files: targets
# that are read-only, a folder, held open by another program or the running
# program itself; devices as targets; every form of path, one longer than 260
# characters; a missing or damaged type database. Nothing may be left behind.
# Usage: windows-files.sh ORVAN_EXE HOLD_FILE_EXE
set -euo pipefail
hold_exe=$2
work=$(mktemp -d)
trap 'touch "$work/release"; wait; rm -rf "$work"' EXIT
cd "$work"
cp "$1" "$(dirname "$1")/magic.mgc" .
W=$(winepath -w "$work")
failures=0

# expect CODE MESSAGE ARGS...: orvan.exe ($orvan, in $data) ends with CODE,
# its errors holding MESSAGE (none for "").
expect() {
  local code=$1 message=$2 status=0
  wine "${orvan:-./orvan.exe}" -q --data-dir "${data:-data}" "${@:3}" >/dev/null 2>err.txt || status=$?
  if [[ $status != "$code" ]] || { [[ -z $message ]] && [[ -s err.txt ]]; } ||
     { [[ -n $message ]] && ! grep -qF -- "$message" err.txt; }; then
    echo "FAILED: orvan ${*:3}: exit $status, $(cat err.txt)" >&2
    failures=$((failures + 1))
  fi
}
# held FILE read|read-delete EXPECTATION...: expect, while another program holds FILE.
held() {
  rm -f release held.txt
  wine "$hold_exe" "$1" "$2" release >held.txt &
  until grep -q held held.txt 2>/dev/null; do sleep 0.1; done
  expect "${@:3}"
  touch release
  wait
}

expect 0 "" export
wine ./orvan.exe demo-record --data-dir data >r.json
cp orvan.exe orvan.copy
for target in ro held shared; do echo old >"$target.orvan"; done
chmod a-w ro.orvan
expect 1 "the file is read-only" export --archive ro.orvan
held held.orvan read 1 "in use by another program" export --archive held.orvan
held shared.orvan read-delete 0 "" export --archive shared.orvan
expect 1 "in use by another program" export --archive orvan.exe
mkdir -p folder.orvan data/temp/document2export.txt
expect 1 "is a folder, not a file" export --archive folder.orvan
expect 1 "Is a directory" import
rmdir data/temp/document2export.txt
for device in NUL CON nul.orvan; do expect 1 "is no regular file" export --archive "$device"; done
expect 1 "is no regular file" import --record-out nul.json
expect 0 "" import --record-out NUL
expect 0 "" import --record-out '\\.\NUL'

# Every form of path, and folders deeper than 260 characters.
deep=$W$(printf '\\%080d' 1 2 3 4)
for form in "\\\\?\\$W\\x" "\\\\?\\$deep" "$deep" "${W//\\//}/x" "Z:x"; do
  data=$form expect 0 "" export --record "\\\\?\\$W\\r.json" --archive "$form\\a.orvan"
  data=$form expect 0 "" import --archive "\\\\.\\$W\\data\\exportORVAN.orvan" --record-out "$form\\r.json"
  expect 0 "" check "$form\\a.orvan"
done

# The type database beside the program, missing and then damaged.
mkdir nomagic && cp orvan.exe nomagic/
orvan=nomagic/orvan.exe expect 1 "magic.mgc'" export --archive nomagic.orvan
echo damaged >nomagic/magic.mgc && orvan=nomagic/orvan.exe expect 1 "magic.mgc'" export --archive nomagic.orvan

[[ ! -e nomagic.orvan ]] && cmp orvan.exe orvan.copy && grep -qx old ro.orvan && grep -qx old held.orvan ||
  { echo "FAILED: a refused target changed" >&2; failures=$((failures + 1)); }
leftovers=$(find . -name '.*.tmp-*' -o -name '.*.old-*')
[[ -z $leftovers ]] || { echo "FAILED: left behind: $leftovers" >&2; failures=$((failures + 1)); }
[[ $failures == 0 ]] && echo "windows files: passed"
