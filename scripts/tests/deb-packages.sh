#!/usr/bin/env bash
# The Debian packages: lintian reports neither errors nor warnings; apt installs them ON THIS
# MACHINE, as root (CI's own; elsewhere, run it only where that is welcome); the installed orvan
# exports and imports into the per-user folder; a consumer builds against liborvan-dev with
# find_package and with pkg-config; once apt has purged them, none of their files is left.
# Usage: deb-packages.sh ORVAN_DEB LIBORVAN_DEV_DEB
set -euo pipefail
consumer=$(cd "$(dirname "$0")/../.." && pwd)/tests/install/consumer
debs=("$(realpath "$1")" "$(realpath "$2")") packages=(orvan liborvan-dev) work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export DEBIAN_FRONTEND=noninteractive
fail() { echo "deb-packages: FAIL: $*" >&2; exit 1; }
quiet() { "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "$*"; }; }

lintian --fail-on error,warning "${debs[@]}" || fail "lintian"
echo "deb-packages: $(lintian --version): no errors, no warnings"

[[ $(id -u) -eq 0 ]] || fail "installing the packages needs root"
! dpkg-query -W -f='${Status}\n' "${packages[@]}" 2>/dev/null | grep -q ' installed$' ||
  fail "installed already: this check would remove them"
# Every path they hold, to look for after their removal.
for deb in "${debs[@]}"; do dpkg-deb --fsys-tarfile "$deb" | tar -t; done |
  sed 's|^\./|/|; s|/$||' | grep -v '^$' | sort -u >"$work/paths"
quiet apt-get install -y --no-install-recommends "${debs[@]}"
echo "deb-packages: installed $(dpkg-query -W -f='${Package} ${Version}; ' "${packages[@]}")"

export HOME=$work/home XDG_DATA_HOME=$work/data
mkdir -p "$HOME"
[[ $(orvan export) == *"successfully exported!" && $(orvan import) == *"successfully imported!" ]] ||
  fail "the installed orvan: export and import"
[[ -f $XDG_DATA_HOME/OrvanCommonClassesTest/temp/document2export.txt && ! -e /usr/bin/exportORVAN.orvan ]] ||
  fail "/usr/bin/orvan did not keep its data in $XDG_DATA_HOME/OrvanCommonClassesTest"
echo "deb-packages: $(command -v orvan) exported and imported in $XDG_DATA_HOME/OrvanCommonClassesTest"

quiet cmake -S "$consumer" -B "$work/cmake" -G Ninja
grep -qx 'OrvanCommonClassesTest_DIR:PATH=/usr/lib/.*/cmake/OrvanCommonClassesTest' "$work/cmake/CMakeCache.txt" ||
  fail "find_package found another package"
quiet cmake --build "$work/cmake"
mkdir "$work/pkg-config"
quiet c++ "$consumer/Consumer.cpp" -o "$work/pkg-config/consumer" $(pkg-config --cflags --libs orvan)
for how in cmake pkg-config; do
  [[ $("$work/$how/consumer" "$work/$how.orvan") == "saved 2010-03-15T00:00:00.000" ]] ||
    fail "the consumer built with $how"
done
echo "deb-packages: consumers built against liborvan-dev with find_package and with pkg-config run"

quiet apt-get purge -y "${packages[@]}"
while read -r path; do  # a folder stays where another package holds it too
  if [[ -e $path || -L $path ]] && ! { [[ -d $path ]] && dpkg-query -S "$path" >/dev/null 2>&1; }; then
    fail "left after the purge: $path"
  fi
done <"$work/paths"
echo "deb-packages: purged; none of their $(wc -l <"$work/paths") paths is left"
