#!/usr/bin/env bash
# The Windows installer in a fresh wine prefix: installed without questions (files, Start-menu
# shortcut, Apps entry), its orvan.exe exporting and importing into the per-user folder, replaced
# by a higher version (one entry, its files), refusing an older one, removed: nothing of it is left
# and the user's data folder stays as it was.
# Usage: msi-package.sh MSI WINDOWS_BUILD   (cpack there makes the higher version)
set -euo pipefail
icon_source=$(cd "$(dirname "$0")/../.." && pwd)/app/gui/icons/OrvanCommonClassesTest.ico
msi=$(realpath "$1") build=$(realpath "$2") work=$(mktemp -d)
# Nothing for the host's desktop menus; no downloads of Mono or Gecko.
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
trap 'wineserver --kill >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
fail() { echo "msi-package: FAIL: $*" >&2; exit 1; }
win() { wine "$@" | tr -d '\r'; }
property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
entries() { win uninstaller --list | grep '|||OrvanCommonClassesTest$' || true; }
orvan() { win 'C:\Program Files\OrvanCommonClassesTest\orvan.exe' "$@"; }
data_sums() { (cd "$data" && find . -type f -exec sha256sum {} + | sort); }

install() {  # install MSI: installs it; its Apps entry, files and shortcut are there
  wine msiexec /i "$(winepath -w "$1")" /qn || fail "msiexec /i $1: $?"
  local code icon entry link texts
  code=$(property "$1" ProductCode)
  [[ $(entries) == "$code|||OrvanCommonClassesTest" ]] || fail "uninstall list: $(entries)"
  entry=$(win reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code")
  grep -qF "DisplayVersion    REG_SZ    $(property "$1" ProductVersion)" <<<"$entry" &&
    grep -qF "Publisher    REG_SZ    $(property "$1" Manufacturer)" <<<"$entry" || fail "the Apps entry: $entry"
  icon="C:\\windows\\Installer\\$code\\OrvanCommonClassesTest.ico"
  win reg query 'HKLM\Software\Classes\Installer\Products' /s | grep -qF "ProductIcon    REG_SZ    $icon" &&
    cmp -s "$(winepath -u "$icon")" "$icon_source" || fail "no product icon $icon"
  rm -rf "$work/shipped" && msiextract -C "$work/shipped" "$1" >/dev/null
  [[ $(LC_ALL=C ls "$work/shipped/OrvanCommonClassesTest") == $'OrvanCommonClassesTest.exe\nmagic.mgc\norvan.exe' ]] &&
    diff -r "$work/shipped/OrvanCommonClassesTest" "$program" >&2 || fail "the installed files are not the package's"
  # wine puts a per-machine shortcut into the user's Start menu, Windows into the common one.
  link=$(find "$drive" -path '*/Start Menu/Programs/OrvanCommonClassesTest.lnk')
  [[ -f $link ]] || fail "no shortcut in the Start menu"
  texts=$(strings -a "$link"; strings -a -el "$link")  # the target's path is ANSI, the icon's UTF-16
  grep -qxF 'C:\Program Files\OrvanCommonClassesTest\OrvanCommonClassesTest.exe' <<<"$texts" &&
    grep -qF "$icon" <<<"$texts" || fail "shortcut '$link': $texts"
  echo "msi-package: installed $(basename "$1"); uninstall list: $(entries); files, Apps entry, shortcut checked"
}

wineboot --init >/dev/null 2>&1
drive=$WINEPREFIX/drive_c program="$WINEPREFIX/drive_c/Program Files/OrvanCommonClassesTest"
local_app_data=$(win cmd /c echo '%LOCALAPPDATA%')
data=$(winepath -u "$local_app_data")/OrvanCommonClassesTest

install "$msi"
[[ $(orvan export) == *"successfully exported!" && $(orvan import) == *"successfully imported!" ]] ||
  fail "the installed orvan.exe: export and import"
[[ -f $data/exportORVAN.orvan && -f $data/temp/document2export.txt && $(ls "$program" | wc -l) -eq 3 ]] ||
  fail "not written into $data alone"
echo "msi-package: the installed orvan.exe exported and imported in $local_app_data\\OrvanCommonClassesTest"

# A higher version of the same build; an installed file changed first tells its files from the old.
version=$(property "$msi" ProductVersion)
next=${version%.*}.$((${version##*.} + 1))
cpack --config "$build/CPackConfig.cmake" -B "$work/next" -R "$next" >/dev/null
newer=$(echo "$work"/next/*-"$next"-x64.msi)
echo changed >>"$program/magic.mgc"
install "$newer"
[[ $(orvan import) == *"successfully imported!" ]] || fail "orvan.exe after the upgrade"
! wine msiexec /i "$(winepath -w "$msi")" /qn && [[ $(entries) == "$(property "$newer" ProductCode)|||"* ]] ||
  fail "$version was installed over $next"
echo "msi-package: $next replaced $version in place, $version is refused over $next"

data_sums >"$work/sums"
wine msiexec /x "$(winepath -w "$newer")" /qn || fail "msiexec /x: $?"
[[ -z $(entries) && ! -e $program && -z $(find "$drive" -name OrvanCommonClassesTest.lnk) ]] ||
  fail "left: $(entries) $(ls "$program" 2>&1) $(find "$drive" -name OrvanCommonClassesTest.lnk)"
! win reg query 'HKLM\Software\OrvanCommonClassesTest' >/dev/null 2>&1 || fail "its registry key is left"
data_sums | cmp -s - "$work/sums" || fail "the user's data folder changed"
echo "msi-package: removed: no entry, program folder, shortcut or registry key left; the user's data as it was"
