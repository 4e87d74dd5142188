#!/usr/bin/env bash
# Makes the packages people install, into packages/: the Debian packages orvan
# and liborvan-dev from the Linux build, and the Windows installer (.msi) from
# the Windows build, both by CPack (cmake/OrvanInstallers.cmake). A build that
# is missing is made first. The Linux build is configured for the prefix /usr,
# where the Debian packages install the programs and where they then know they
# are installed; a build configured for another prefix is reconfigured.
# Usage: scripts/package.sh [LINUX_BUILD [WINDOWS_BUILD]]   (default: build build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."

linux_build=${1:-build}
windows_build=${2:-build-windows}
out=$PWD/packages
packaged=(orvan OrvanCommonClassesTest)  # the programs; the libraries come with them

cached() {  # cached BUILD VARIABLE: the value in the build's cache
  sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

bash scripts/setup.sh
if [[ ! -f $linux_build/CMakeCache.txt ]]; then
  bash scripts/configure.sh "$linux_build" -DCMAKE_INSTALL_PREFIX=/usr
elif [[ $(cached "$linux_build" CMAKE_INSTALL_PREFIX) != /usr ]]; then
  echo "package: $linux_build installs into $(cached "$linux_build" CMAKE_INSTALL_PREFIX); configuring it for /usr"
  cmake "$linux_build" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
fi
if [[ $(cached "$linux_build" ORVAN_BUILD_GUI) != ON ]]; then
  echo "package: $linux_build is configured without the dialog (ORVAN_BUILD_GUI); the orvan package needs it" >&2
  exit 1
fi
cmake --build "$linux_build" --target "${packaged[@]}"

if [[ ! -f $windows_build/CMakeCache.txt ]]; then
  bash scripts/windows-build.sh "$windows_build"
else
  bash scripts/windows-deps.sh "$windows_build"  # installs wixl when missing
  cmake --build "$windows_build" --target "${packaged[@]}"
fi

mkdir -p "$out"
rm -f "$out"/*.deb "$out"/*.msi
for build in "$linux_build" "$windows_build"; do
  staging=$(cd "$build" && pwd)/cpack
  rm -rf "$staging"
  cpack --config "$build/CPackConfig.cmake" -B "$staging" >"$build/cpack.log" ||
    { cat "$build/cpack.log" >&2; exit 1; }
  find "$staging" -maxdepth 1 \( -name '*.deb' -o -name '*.msi' \) -exec mv -t "$out" {} +
done

echo "package: made in $out:"
(cd "$out" && ls -l -- *.deb *.msi)
