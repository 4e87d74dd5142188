#!/usr/bin/env bash
# Installs the Debian packages the Windows build, its tests and its installer
# need that are missing (the cross compiler, wine, Xvfb, xdotool, wixl), then
# cross-builds, as static libraries for 64-bit Windows, the dependencies Debian
# packages no Windows build of: expat, TRE (libmagic's regex), libmagic
# (source package "file"), libzip and googletest, each from its Debian source
# package, so that the Windows build uses the code the Linux one does. The
# header-only nlohmann-json and CLI11 are installed the same way: the host
# packages' CMake configs would put /usr/include, with glibc's headers, on the
# cross compiler's include path.
# Usage: scripts/windows-deps.sh BUILD_DIR
# Installs into BUILD_DIR/prefix, for a configuration with
#   -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#   -DCMAKE_PREFIX_PATH=BUILD_DIR/prefix
# A dependency already built by the same recipe is not built again, and a
# source package once downloaded (BUILD_DIR/deps-src) is not downloaded again,
# so a second run needs no network. For a newer Debian revision, delete the
# package's files there and the dependency's stamp in BUILD_DIR/deps-stamps.
set -euo pipefail

if [[ $# -ne 1 ]]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
build_dir=$(cd "$1" && pwd)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
sources=$build_dir/deps-src    # downloaded source packages, kept for offline rebuilds
work=$build_dir/deps-build     # unpacked and built afresh on every build
prefix=$build_dir/prefix
stamps=$build_dir/deps-stamps
logs=$build_dir/deps-logs
host=x86_64-w64-mingw32
jobs=2

sudo=()
as_root() {
  if [[ $(id -u) -ne 0 && ${#sudo[@]} -eq 0 ]]; then
    if ! command -v sudo >/dev/null; then
      echo "windows-deps: needs root for: $*; sudo is not installed, run as root" >&2
      exit 1
    fi
    sudo=(sudo)
  fi
  "${sudo[@]}" "$@"
}

packages=(
  dpkg-dev cmake ninja-build make pkg-config
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
  # the magic database: the host's, or compiled by the host's file
  file libmagic-mgc
  # the tests under wine, the dialog's on an X server of their own, driven with
  # xdotool; fonts-wine has the fonts Windows dialogs are drawn with
  wine wine64 fonts-wine xvfb xauth xdotool python3
  # the installer (scripts/package.sh) and its check
  wixl msitools
)
missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
updated=no
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "windows-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update
  as_root apt-get install -y --no-install-recommends "${missing[@]}"
  updated=yes
fi

# apt-get source needs deb-src entries: the same archives as the deb ones.
debian_sources=/etc/apt/sources.list.d/debian.sources
src_list=/etc/apt/sources.list.d/orvan-deb-src.sources
have_deb_src() {
  grep -qsE '^[[:space:]]*(Types:.*deb-src|deb-src[[:space:]])' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources
}
if ! have_deb_src; then
  if [[ ! -f $debian_sources ]]; then
    echo "windows-deps: no deb-src entry and no $debian_sources to derive one from" >&2
    exit 1
  fi
  echo "windows-deps: adding $src_list"
  sed 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb-src/' "$debian_sources" | as_root tee "$src_list" >/dev/null
  as_root apt-get update
  updated=yes
fi

mkdir -p "$sources" "$work" "$prefix" "$stamps" "$logs"
log=/dev/null
current=

# run COMMAND...: runs it with its output in the dependency's log; on failure
# shows the log's end and stops.
run() {
  if ! "$@" >>"$log" 2>&1; then
    echo "windows-deps: $current failed: $*" >&2
    tail -n 40 "$log" >&2
    echo "windows-deps: full log: $log" >&2
    exit 1
  fi
}

# edit FILE SED_SCRIPT EXPECTED: a build-time fix, which must have taken.
edit() {
  sed -i "$2" "$1"
  if ! grep -qF -- "$3" "$1"; then
    echo "windows-deps: $current: fixing $1 failed (source changed?)" >&2
    exit 1
  fi
}

newest_first() {  # reads Debian versions, prints them newest first
  local versions=() v i j t
  while read -r v; do versions+=("$v"); done
  for ((i = 1; i < ${#versions[@]}; i++)); do
    for ((j = i; j > 0; j--)); do
      dpkg --compare-versions "${versions[j]}" gt "${versions[j - 1]}" || break
      t=${versions[j]}; versions[j]=${versions[j - 1]}; versions[j - 1]=$t
    done
  done
  printf '%s\n' "${versions[@]}"
}

# fetch NAME: downloads the source package once, unpacks it (Debian's patches
# applied) into $work/NAME; sets $version.
fetch() {
  local name=$1 dsc candidates v
  candidates=$(shopt -s nullglob; for f in "$sources/${name}_"*.dsc; do f=${f##*/"${name}"_}; echo "${f%.dsc}"; done | newest_first)
  if [[ -z $candidates ]]; then
    candidates=$(apt-cache showsrc --only-source "$name" 2>/dev/null | sed -n 's/^Version: //p' | newest_first)
    if [[ -z $candidates && $updated == no ]]; then
      as_root apt-get update >>"$log" 2>&1
      updated=yes
      candidates=$(apt-cache showsrc --only-source "$name" 2>/dev/null | sed -n 's/^Version: //p' | newest_first)
    fi
    # The newest may be missing from the mirror (seen with a security update):
    # take the newest that downloads.
    for v in $candidates; do
      if (cd "$sources" && apt-get source --download-only -q "$name=$v") >>"$log" 2>&1; then
        candidates=${v#*:}
        break
      fi
    done
  fi
  v=$(head -n 1 <<<"$candidates")
  dsc=$sources/${name}_${v#*:}.dsc
  if [[ ! -f $dsc ]]; then
    echo "windows-deps: $name: no source package could be downloaded" >&2
    tail -n 20 "$log" >&2
    exit 1
  fi
  version=${v#*:}
  rm -rf "${work:?}/$name"
  run dpkg-source -x "$dsc" "$work/$name"
}

cmake_build() {  # cmake_build SOURCE_DIR OPTION...: configure, build, install
  run cmake -S "$1" -B "$1/_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DBUILD_SHARED_LIBS=OFF "${@:2}"
  run cmake --build "$1/_build" -j "$jobs"
  run cmake --install "$1/_build"
}

autotools_env=(env CC="$host-gcc-posix" CXX="$host-g++-posix" CFLAGS=-O2)

build_expat() {
  local s=$work/expat/expat
  # Debian's security patches test "#if XML_DTD == 1", which the CMake build's
  # bare "#define XML_DTD" breaks.
  edit "$s/expat_config.h.cmake" 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' '#cmakedefine XML_DTD 1'
  cmake_build "$s" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=ON
}

build_tre() {
  local s=$work/tre
  cd "$s"
  run "${autotools_env[@]}" ./configure --host="$host" --prefix="$prefix" \
    --enable-static --disable-shared --disable-agrep --disable-nls
  run make -C lib -j "$jobs"
  run make -C lib install
  run make install-pkgconfigDATA
  rm -f "$prefix/lib/libtre.la"
}

build_libmagic() {
  local s=$work/file
  cd "$s"
  # MinGW's regex is required to be libgnurx; TRE stands in for it (its
  # regex.h maps regcomp and co. to tre_*). Only the library is built, so the
  # -lgnurx configure then adds is never linked.
  run "${autotools_env[@]}" ./configure --host="$host" --prefix="$prefix" \
    --enable-static --disable-shared --disable-bzlib --disable-xzlib --disable-zstdlib \
    --disable-lzlib --disable-libseccomp \
    CPPFLAGS="-I$prefix/include/tre" LDFLAGS="-L$prefix/lib" LIBS=-ltre ac_cv_lib_gnurx_regexec=yes
  # Windows has no pipe(), only _pipe() with a buffer size and mode.
  run make -C src -j "$jobs" magic.h libmagic.la \
    CPPFLAGS="-I$prefix/include/tre '-Dpipe(fds)=_pipe(fds,4096,0x8000)'"
  run make -C src install-libLTLIBRARIES install-nodist_includeHEADERS
  run make install-pkgconfigexecDATA
  rm -f "$prefix/lib/libmagic.la"
  # Static only: what libmagic itself needs goes to Libs (TRE; shlwapi, for its
  # default database path; zlib), as pkg_check_modules' imported targets
  # ignore Libs.private. Upstream's file also lacks a Cflags line.
  local pc=$prefix/lib/pkgconfig/libmagic.pc
  edit "$pc" '/^Libs.private:/d; s/^Libs: .*/Libs: -L${libdir} -lmagic -ltre -lshlwapi -lz\nCflags: -I${includedir}/' '-lshlwapi'

  # The database: the host's when it comes from this very source package, so
  # that both platforms name the same MIME types; else compiled from it.
  mkdir -p "$prefix/share/misc"
  local host_version
  host_version=$(dpkg-query -W -f='${Version}' libmagic-mgc)
  if [[ ${host_version#*:} == "$version" && $(file --version | head -n 1) == "file-${version%-*}" ]]; then
    cp -L /usr/share/misc/magic.mgc "$prefix/share/misc/magic.mgc"
  else
    echo "libmagic-mgc $host_version differs from file $version: compiling the database" >>"$log"
    (cd "$s/magic" && run file -C -m Magdir)
    cp "$s/magic/Magdir.mgc" "$prefix/share/misc/magic.mgc"
  fi
}

build_libzip() {
  cmake_build "$work/libzip" -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF \
    -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=ON -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
  # Static only: Libs.private (bcrypt, advapi32, zlib) into Libs, as
  # pkg_check_modules' imported targets ignore Libs.private.
  local pc=$prefix/lib/pkgconfig/libzip.pc private
  private=$(sed -n 's/^Libs.private://p' "$pc")
  edit "$pc" "/^Libs.private:/d; s/^Libs: .*/&$private/" '-lbcrypt'
  # Its exported target links ZLIB::ZLIB, which its config never finds.
  local config=$prefix/lib/cmake/libzip/libzip-config.cmake
  grep -q 'find_dependency(ZLIB)' "$config" ||
    edit "$config" '1i include(CMakeFindDependencyMacro)\nfind_dependency(ZLIB)' 'find_dependency(ZLIB)'
}

build_googletest() {
  cmake_build "$work/googletest" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

build_nlohmann_json() {
  cmake_build "$work/nlohmann-json3" -DJSON_BuildTests=OFF -DJSON_Install=ON
}

build_cli11() {
  cmake_build "$work/cli11" -DCLI11_BUILD_TESTS=OFF -DCLI11_BUILD_EXAMPLES=OFF \
    -DCLI11_BUILD_DOCS=OFF -DCLI11_INSTALL=ON
}

# dependency NAME SOURCE_PACKAGE [DEPENDENCY...]: builds NAME unless its stamp
# records the same recipe (this script's build function, the toolchain file,
# the stamps of what it is built against).
dependency() {
  local name=$1 package=$2 key stamp=$stamps/$1 d
  current=$name
  key=$({
    declare -f "build_$name" cmake_build run edit
    cat "$toolchain"
    for d in "${@:3}"; do cat "$stamps/$d"; done
  } | sha256sum | cut -d' ' -f1)
  if [[ -f $stamp && $(sed -n 2p "$stamp") == "$key" ]]; then
    echo "windows-deps: $name $(head -n 1 "$stamp") cached"
    return
  fi
  rm -f "$stamp"
  log=$logs/$name.log
  : >"$log"
  fetch "$package"
  (set -euo pipefail; "build_$name")
  printf '%s\n%s\n' "$version" "$key" >"$stamp"
  echo "windows-deps: $name $version built"
}

dependency expat expat
dependency tre tre
dependency libmagic file tre
dependency libzip libzip
dependency googletest googletest
dependency nlohmann_json nlohmann-json3
dependency cli11 cli11
