#!/usr/bin/env bash
# Installs every Debian package the project needs that is not installed yet.
# Does nothing (and needs no network) when everything is already present.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config
  # libraries (libzip: the tests' independent reader; pugixml: the benchmarks' second parser)
  libzip-dev libexpat1-dev libpugixml-dev libcli11-dev libmagic-dev zlib1g-dev nlohmann-json3-dev
  # dialog application (Qt's CMake package asks for OpenGL's headers)
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # tests, benchmarks (zip, unzip, bc and GNU time in their scripts), the sanitizer builds and fuzzing (clang)
  libgtest-dev libgmock-dev libbenchmark-dev libxml2-utils python3 python3-jsonschema zip unzip bc time clang libclang-rt-14-dev
  # the dialog's tests and screenshots on a real X server
  xvfb xauth
  # the Debian packages' check (scripts/package.sh makes them)
  lintian
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
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "setup: missing packages: ${missing[*]}" >&2
    echo "setup: installing them needs root, and sudo is not installed; run as root:" >&2
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo=(sudo)
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# apt's own progress shows: the installation of a fresh machine takes minutes.
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
echo "setup: done"
