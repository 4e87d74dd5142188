#!/usr/bin/env bash
# The Debian packages as a user and an integrator meet them: lintian accepts
# them (errors and warnings fail; each warning left is overridden with its
# reason in packaging/debian/); apt installs them with their dependencies ON
# THIS MACHINE, into /usr, as root; the installed orvan exports and imports; a
# consumer builds against liborvan-dev with find_package and with pkg-config;
# apt purges them and no file of theirs is left. CI runs it as root on a
# machine of its own; elsewhere, run it only where that installation is welcome.
# Usage: deb-packages.sh ORVAN_DEB LIBORVAN_DEV_DEB
set -euo pipefail
source=$(cd "$(dirname "$0")/../.." && pwd)
debs=("$(realpath "$1")" "$(realpath "$2")")
packages=(orvan liborvan-dev)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "deb-packages: FAIL: $*" >&2
  exit 1
}
ok() { echo "deb-packages: $*"; }

lintian --fail-on error,warning "${debs[@]}" || fail "lintian: errors or warnings"
ok "$(lintian --version) reports neither errors nor warnings"

[[ $(id -u) -eq 0 ]] || fail "installing the packages needs root"
for package in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q ' installed$'; then
    fail "$package is installed already: this check would remove it"
  fi
done
# Every path the packages hold, to look for after their removal.
for deb in "${debs[@]}"; do dpkg-deb --fsys-tarfile "$deb" | tar -t; done | sed 's|^\./|/|; s|/$||' |
  grep -v '^$' | sort -u >"$work/paths"

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q --no-install-recommends "${debs[@]}" >"$work/apt.log" ||
  { cat "$work/apt.log" >&2; fail "apt-get install"; }
ok "installed: $(dpkg-query -W -f='${Package} ${Version}\n' "${packages[@]}" | paste -sd, | sed 's/,/, /g')"

# The installed program keeps its data per user, even root's.
export HOME=$work/home XDG_DATA_HOME=$work/data
mkdir -p "$HOME"
[[ $(orvan export) == *"successfully exported!" ]] || fail "the installed orvan: export"
[[ $(orvan import) == *"successfully imported!" ]] || fail "the installed orvan: import"
data=$XDG_DATA_HOME/OrvanCommonClassesTest
[[ -f $data/exportORVAN.orvan && -f $data/temp/document2export.txt ]] || fail "no archive and attachment in $data"
[[ $(command -v orvan) == /usr/bin/orvan && ! -e /usr/bin/exportORVAN.orvan ]] || fail "orvan wrote beside itself"
ok "/usr/bin/orvan exported and imported in $data"

consumer=$source/tests/install/consumer
run_consumer() {  # run_consumer HOW PROGRAM
  [[ $("$2" "$work/$1.orvan") == "saved 2010-03-15T00:00:00.000" ]] || fail "the consumer built with $1"
  ok "a consumer built with $1 against the installed package runs"
}
cmake -S "$consumer" -B "$work/consumer" -G Ninja >"$work/consumer.log" &&
  cmake --build "$work/consumer" >>"$work/consumer.log" || { cat "$work/consumer.log" >&2; fail "find_package consumer"; }
grep -qx 'OrvanCommonClassesTest_DIR:PATH=/usr/lib/.*/cmake/OrvanCommonClassesTest' "$work/consumer/CMakeCache.txt" ||
  fail "the consumer found another package: $(grep OrvanCommonClassesTest_DIR "$work/consumer/CMakeCache.txt")"
run_consumer find_package "$work/consumer/consumer"
# shellcheck disable=SC2046  # pkg-config's flags are words
c++ "$consumer/Consumer.cpp" -o "$work/consumer-pc" $(pkg-config --cflags --libs orvan) ||
  fail "pkg-config consumer"
run_consumer pkg-config "$work/consumer-pc"

apt-get purge -y -q "${packages[@]}" >"$work/apt.log" || { cat "$work/apt.log" >&2; fail "apt-get purge"; }
# A folder may stay where another package holds it too.
while read -r path; do
  if [[ -e $path || -L $path ]] && ! { [[ -d $path ]] && dpkg-query -S "$path" >/dev/null 2>&1; }; then
    fail "left after the removal: $path"
  fi
done <"$work/paths"
ok "purged: none of their $(wc -l <"$work/paths") paths is left"
