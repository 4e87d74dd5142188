#!/usr/bin/env bash
# Runs setup.sh against stubs, never installing anything and never needing
# root: dpkg-query reports every package installed but those in $MISSING, id
# reports the user $FAKE_UID, and apt-get and sudo only log their arguments.
set -uo pipefail

setup=$(cd "$(dirname "$0")/.." && pwd)/setup.sh
bash=$(command -v bash)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

stub() {  # stub NAME BODY: a command in the stub folder
  printf '#!%s\n%s\n' "$bash" "$2" >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}

# run UID MISSING WITH_SUDO: runs setup.sh; sets $code, $out, $err, $log
run() {
  rm -rf "$work/bin" && mkdir "$work/bin" && : >"$work/log"
  stub dpkg-query 'for m in $MISSING; do [[ "${@: -1}" == "$m" ]] && exit 1; done; printf "install ok installed"'
  stub id '[[ "$1" == -u ]] && echo "$FAKE_UID"'
  stub apt-get 'echo "apt-get $*" >>"$LOG"; echo "Unpacking $*... 50%"'
  if [[ $3 == yes ]]; then stub sudo 'echo "sudo $*" >>"$LOG"; "$@"'; fi
  out=$(PATH="$work/bin" FAKE_UID=$1 MISSING=$2 LOG="$work/log" "$bash" "$setup" 2>"$work/err")
  code=$?
  err=$(<"$work/err")
  log=$(<"$work/log")
}

expect() {  # expect DESCRIPTION CONDITION...
  local what=$1; shift
  if ! "$@"; then
    echo "FAIL: $what"; echo "  exit $code"; echo "  stdout: $out"; echo "  stderr: $err"; echo "  log: $log"
    failures=$((failures + 1))
  fi
}
contains() { [[ "$1" == *"$2"* ]]; }

run 1000 "" no
expect "all present: nothing to do" [ "$code" -eq 0 ]
expect "all present: says so" contains "$out" "packages present"
expect "all present: apt-get not run" [ -z "$log" ]

run 1000 "nlohmann-json3-dev" no
expect "no sudo: exit 1, not bash's 127" [ "$code" -eq 1 ]
expect "no sudo: names what to run as root" contains "$err" "run as root:"
expect "no sudo: the command installs the missing package" \
  contains "$err" "apt-get update && apt-get install --no-install-recommends nlohmann-json3-dev"
expect "no sudo: no 'command not found'" eval '! contains "$err" "not found"'
expect "no sudo: apt-get not run" [ -z "$log" ]

run 1000 "nlohmann-json3-dev zip" yes
expect "with sudo: succeeds" [ "$code" -eq 0 ]
expect "with sudo: installs through sudo" contains "$log" "sudo apt-get install -y --no-install-recommends nlohmann-json3-dev zip"
expect "with sudo: apt's progress shows" contains "$out" "Unpacking install -y --no-install-recommends nlohmann-json3-dev zip... 50%"

run 0 "zip" no
expect "root: succeeds without sudo" [ "$code" -eq 0 ]
expect "root: apt-get runs directly" contains "$log" "apt-get install -y --no-install-recommends zip"
expect "root: no sudo" eval '! contains "$log" "sudo"'

if [[ $failures -ne 0 ]]; then
  echo "$failures checks failed"
  exit 1
fi
echo "setup.sh: all checks passed"
