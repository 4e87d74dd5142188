#!/usr/bin/env bash
# Installs every Debian package the project needs that is not installed yet.
# Does nothing (and needs no network) when everything is already present.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  # libraries
  libzip-dev libpugixml-dev libfmt-dev libcli11-dev libmagic-dev zlib1g-dev
  # dialog application
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # tests, benchmarks, fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev libxml2-utils zip unzip bc clang libclang-rt-14-dev
  # the dialog's tests and screenshots on a real X server
  xvfb xauth
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "setup: all ${#packages[@]} packages present"
  exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
