#!/bin/bash
# Benchmark of both packages under Wine: their sizes, and how long msiexec
# takes to install each (the per-user one for the user, the per-machine one
# as the administrator), to upgrade it to the next version and to remove it
# (/qn), each the whole msiexec process as a user or a deployment tool
# starts it.
# Prints p50/p95 over the runs. Builds the win64 tree first unless told not to.
# Usage: scripts/bench-package.sh [--no-build] [runs]   (default 10)
# Runs in a Wine prefix of its own (build/win64/wine-bench-package).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
build=1
runs=10
for arg in "$@"; do
  case "$arg" in
    --no-build) build=0 ;;
    *[!0-9]*|'') echo "bench-package: unknown argument: $arg" >&2; exit 2 ;;
    *) runs="$arg" ;;
  esac
done
[ "$build" = 1 ] && "$ROOT/scripts/build.sh" win64

cache="$BUILD/win64/CMakeCache.txt"
major="$(sed -n 's/^CMAKE_PROJECT_VERSION_MAJOR:[A-Z]*=//p' "$cache")"
minor="$(sed -n 's/^CMAKE_PROJECT_VERSION_MINOR:[A-Z]*=//p' "$cache")"
patch="$(sed -n 's/^CMAKE_PROJECT_VERSION_PATCH:[A-Z]*=//p' "$cache")"
packages="$BUILD/win64/bin/packages"
version="$major.$minor.$patch" next_version="$major.$minor.$((patch + 1))"
shipped="$BUILD/win64/dist/VantorOutlookPluginSetup.msi"
shipped_machine="$BUILD/win64/dist/VantorOutlookPluginSetup-machine.msi"
PREFIX="$BUILD/win64/wine-bench-package"
WINE=("$ROOT/cmake/wine-run.sh" "$PREFIX")
trap '"$ROOT/cmake/wine-stop.sh" "$PREFIX"' EXIT

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
now() { date +%s%N; }
# msiexec OPTION PACKAGE: the milliseconds it took; fails when msiexec does.
timed_msiexec() {
  local start end
  start="$(now)"
  "${WINE[@]}" msiexec "$1" "$(windows_path "$2")" /qn
  end="$(now)"
  echo $(((end - start) / 1000000))
}
percentiles() {  # label, values...
  local label="$1"
  shift
  printf '%s\n' "$@" | sort -n | awk -v label="$label" '
    { v[NR] = $1 }
    END {
      p50 = v[int((NR + 1) / 2)]; i = int(NR * 0.95 + 0.999); if (i > NR) i = NR
      printf "  %-10s p50 %5d ms   p95 %5d ms   (%d runs)\n", label, p50, v[i], NR
    }'
}

echo "Package sizes:"
for file in "$shipped" "$shipped_machine" \
            "$packages/VantorOutlookPluginSetup-$version.msi" \
            "$packages/VantorOutlookPluginSetup-machine-$version.msi"; do
  printf '  %-64s %9d bytes\n' "${file#"$BUILD/"}" "$(stat -c %s "$file")"
done
for kind in per-user per-machine; do
  name=VantorOutlookPluginSetup
  [ "$kind" = per-machine ] && name=VantorOutlookPluginSetup-machine
  this="$packages/$name-$version.msi" next="$packages/$name-$next_version.msi"
  # A first run starts the prefix and Wine's services: not counted.
  "${WINE[@]}" msiexec /x "$(windows_path "$next")" /qn >/dev/null 2>&1 || true
  "${WINE[@]}" msiexec /x "$(windows_path "$this")" /qn >/dev/null 2>&1 || true
  install=() upgrade=() remove=()
  for _ in $(seq 1 "$runs"); do
    install+=("$(timed_msiexec /i "$this")")
    upgrade+=("$(timed_msiexec /i "$next")")
    remove+=("$(timed_msiexec /x "$next")")
  done
  echo "msiexec under Wine, the $kind package:"
  percentiles install "${install[@]}"
  percentiles upgrade "${upgrade[@]}"
  percentiles uninstall "${remove[@]}"
done
