#!/bin/bash
# Builds the three trees: native (portable core, tests, reference service),
# win32 (every DLL for x86, the x86 Wine tests and Outlook host) and win64
# (every DLL for x64, the package of both, the Wine tests, the demo host).
# The win64 tree builds what its package takes from the win32 tree itself.
# Usage: scripts/build.sh [TREE[:TARGET,...] ...]   (default: all three whole)
#   TREE is native, win64 or win32; with targets only those are built (and
#   what they need), for example native:mivo-refservice.
# MIVO_BUILD_ROOT picks another build folder (default: build/).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
DEPS="${MIVO_DEPS:-$ROOT/build/deps}"
PORT="${MIVO_REFSERVICE_PORT:-47380}"
export MIVO_DEPS="$DEPS"
# shellcheck source=lib/runs-32bit.sh
. "$ROOT/scripts/lib/runs-32bit.sh"

"$ROOT/scripts/setup.sh"

configure() {  # dir, extra args...
  local dir="$1"; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DMIVO_REFSERVICE_PORT="$PORT" "$@" >/dev/null
  fi
}

build_native() {  # [cmake --build options...]
  configure "$BUILD/native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
  cmake --build "$BUILD/native" "$@"
}

configure_windows() {  # win64|win32
  local tree="$1" arch=x86_64 extra=()
  if [ "$tree" = win32 ]; then
    arch=i686
    # The x86 Wine tests where 32-bit programs can run (MIVO_X86_TESTS=ON
    # builds them anyway, to see that they compile).
    local tests="${MIVO_X86_TESTS:-}"
    [ -n "$tests" ] || { machine_runs_32bit && tests=ON || tests=OFF; }
    extra=(-DMIVO_X86_TESTS="$tests")
  fi
  configure "$BUILD/$tree" "${extra[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-$arch.cmake" \
    -DMIVO_DEPS_PREFIX="$DEPS/mingw-$arch" \
    -DMIVO_REFSERVICE="$BUILD/native/testing/refservice/mivo-refservice"
}

build_windows() {  # win64|win32 [cmake --build options...]
  local tree="$1"
  shift
  # The package of the win64 tree carries the win32 tree's DLLs.
  [ "$tree" = win64 ] && configure_windows win32
  configure_windows "$tree"
  cmake --build "$BUILD/$tree" "$@"
}

trees=("$@")
[ ${#trees[@]} -eq 0 ] && trees=(native win32 win64)
for t in "${trees[@]}"; do
  tree="${t%%:*}"
  targets=()
  if [ "$tree" != "$t" ]; then
    list="${t#*:}"
    targets=(--target ${list//,/ })
  fi
  case "$tree" in
    native) build_native "${targets[@]}" ;;
    win64|win32) build_windows "$tree" "${targets[@]}" ;;
    *) echo "unknown tree: $tree" >&2; exit 2 ;;
  esac
done
