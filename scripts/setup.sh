#!/bin/bash
# One-time (and idempotent) preparation of a Debian 12 machine for building and
# testing the add-in: Debian packages (with the i386 architecture for the
# 32-bit Wine that runs the x86 tests, on machines that run 32-bit programs),
# the JsonCpp source package and GoogleTest cross-built for mingw-w64.
# A second run only checks and returns in seconds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=lib/runs-32bit.sh
. "$ROOT/scripts/lib/runs-32bit.sh"
DEPS="${MIVO_DEPS:-$ROOT/build/deps}"
STAMP_VERSION=7

PACKAGES=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine64 libwine-dev xvfb xauth
  cmake ninja-build clang libclang-rt-14-dev
  googletest libgtest-dev libjsoncpp-dev
  libcpp-httplib-dev libssl-dev openssl
  libgnutls30 fonts-wqy-microhei
  dpkg-dev imagemagick osslsigncode wixl
)
# The x86 Wine tests need 32-bit Wine, which only a kernel that starts
# 32-bit programs can run.
X86_TESTS=0
if machine_runs_32bit; then
  X86_TESTS=1
  PACKAGES+=(wine32:i386)
fi

log() { printf '[setup] %s\n' "$*"; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

missing_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  echo "${missing[@]:-}"
}

has_deb_src() {
  grep -rqsE '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null
}

# Derive a deb-src entry from the machine's own Debian source list, so that
# `apt-get source` can reach the same mirror; no host name is hard-coded here.
add_deb_src() {
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      | as_root tee /etc/apt/sources.list.d/mivo-deb-src.sources >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed -E 's/^deb /deb-src /' \
      | as_root tee /etc/apt/sources.list.d/mivo-deb-src.list >/dev/null
  else
    echo "setup: no Debian source list found to derive a deb-src entry from" >&2
    exit 1
  fi
}

# Debian's mirrors are sometimes caught mid-sync ("File has unexpected size");
# apt then fails the whole command although a minute later all is well. Each
# apt step is tried a few times with a growing pause before setup gives up.
APT_OPTS=(-o Acquire::Retries=3)
with_retries() {
  local attempt
  for attempt in 1 2 3 4 5; do
    "$@" && return 0
    [ "$attempt" = 5 ] && return 1
    log "'$*' failed (attempt $attempt of 5); trying again in $((attempt * 20)) s"
    sleep $((attempt * 20))
  done
}

APT_UPDATED=0
apt_update() {
  if [ "$APT_UPDATED" = 0 ]; then
    # An index that still fails after the retries is not fatal here: apt keeps
    # the lists it has, and the install that follows says what it cannot find.
    with_retries as_root apt-get "${APT_OPTS[@]}" update -qq \
      || log "apt-get update still reports failed indexes; going on with the lists it has"
    APT_UPDATED=1
  fi
}

# wine32 (the 32-bit half of Wine, which runs the x86 add-in) is a package of
# Debian's i386 architecture.
add_i386() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "adding Debian's i386 architecture (for wine32)"
    as_root dpkg --add-architecture i386
    APT_UPDATED=0
  fi
}

install_packages() {
  local missing
  missing="$(missing_packages)"
  if [ -n "$missing" ]; then
    [ "$X86_TESTS" = 1 ] && add_i386
    log "installing Debian packages: $missing"
    apt_update
    # shellcheck disable=SC2086
    mkdir -p "$DEPS"
    with_retries as_root env DEBIAN_FRONTEND=noninteractive apt-get "${APT_OPTS[@]}" \
      install -y -qq --no-install-recommends $missing \
      >"$DEPS/apt-install.log" 2>&1 || { cat "$DEPS/apt-install.log" >&2; exit 1; }
  fi
}

toolchain_file() { echo "$ROOT/cmake/toolchain-mingw-$1.cmake"; }

build_jsoncpp() {
  local arch="$1" prefix="$DEPS/mingw-$1"
  [ -f "$prefix/.jsoncpp-done" ] && return 0
  local src
  src="$(ls -d "$DEPS"/src/libjsoncpp-*/ 2>/dev/null | head -1 || true)"
  if [ -z "$src" ]; then
    has_deb_src || { log "adding a deb-src entry derived from the Debian source list"; add_deb_src; APT_UPDATED=0; }
    apt_update
    mkdir -p "$DEPS/src"
    log "fetching Debian's libjsoncpp source package"
    (cd "$DEPS/src" && with_retries apt-get "${APT_OPTS[@]}" source -qq libjsoncpp >/dev/null 2>&1) || {
      echo "setup: apt-get source libjsoncpp failed" >&2; exit 1; }
    src="$(ls -d "$DEPS"/src/libjsoncpp-*/ | head -1)"
  fi
  log "building JsonCpp for $arch"
  cmake -S "$src" -B "$DEPS/build/jsoncpp-$arch" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$(toolchain_file "$arch")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
    -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF -DJSONCPP_WITH_CMAKE_PACKAGE=ON \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF >/dev/null
  cmake --build "$DEPS/build/jsoncpp-$arch" --target install >/dev/null
  touch "$prefix/.jsoncpp-done"
}

build_gtest() {
  local arch="$1" prefix="$DEPS/mingw-$1"
  [ -f "$prefix/.gtest-done" ] && return 0
  log "building GoogleTest for $arch"
  cmake -S /usr/src/googletest -B "$DEPS/build/gtest-$arch" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$(toolchain_file "$arch")" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=ON >/dev/null
  cmake --build "$DEPS/build/gtest-$arch" --target install >/dev/null
  touch "$prefix/.gtest-done"
}

main() {
  local stamp="$DEPS/.setup-v$STAMP_VERSION"
  if [ -f "$stamp" ] && [ -z "$(missing_packages)" ]; then
    exit 0
  fi
  mkdir -p "$DEPS"
  install_packages
  build_jsoncpp x86_64
  build_jsoncpp i686
  build_gtest x86_64
  if [ "$X86_TESTS" = 1 ]; then
    build_gtest i686
  else
    log "this machine runs no 32-bit programs: wine32 and the x86 Wine tests are left out"
  fi
  touch "$stamp"
  log "done"
}

main "$@"
