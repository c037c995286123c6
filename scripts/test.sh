#!/bin/bash
# The whole test suite: installs what is missing, builds the three trees and
# runs the native tests (with a short fuzzing run) and the Wine tests.
# Extra arguments go to both ctest runs (for example -R Meeting).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"

"$ROOT/scripts/build.sh"

status=0
echo "== native tests"
ctest --test-dir "$BUILD/native" -j"$(nproc)" --output-on-failure "$@" || status=1
echo "== Wine tests"
trap '"$ROOT/cmake/wine-stop.sh" "$BUILD/win64/wine"' EXIT
ctest --test-dir "$BUILD/win64" --output-on-failure "$@" || status=1
exit $status
