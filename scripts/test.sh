#!/bin/bash
# The whole test suite: installs what is missing, builds the three trees and
# runs the native tests (with a short fuzzing run), the x64 Wine tests and
# the x86 Wine tests. Extra arguments go to every ctest run (for example
# -R Meeting). The x86 tests need a machine whose kernel runs 32-bit code;
# where it does not, they are reported as not run, with the reason.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"

"$ROOT/scripts/build.sh"

status=0
echo "== native tests"
ctest --test-dir "$BUILD/native" -j"$(nproc)" --output-on-failure "$@" || status=1
echo "== Wine tests (x64)"
trap '"$ROOT/cmake/wine-stop.sh" "$BUILD/win64/wine"; "$ROOT/cmake/wine-stop.sh" "$BUILD/win32/wine"' EXIT
ctest --test-dir "$BUILD/win64" --output-on-failure "$@" || status=1
echo "== Wine tests (x86)"
if ! grep -q '^MIVO_X86_TESTS:BOOL=ON' "$BUILD/win32/CMakeCache.txt" 2>/dev/null; then
  echo "NOT RUN: this machine starts no 32-bit programs, so there is no 32-bit Wine to run"
  echo "them in (the x86 tree built the x86 DLLs only; see scripts/lib/runs-32bit.sh)."
elif ctest --test-dir "$BUILD/win32" -R '^Wine32RunsThirtyTwoBitPrograms$' >/dev/null 2>&1; then
  ctest --test-dir "$BUILD/win32" --output-on-failure "$@" || status=1
else
  echo "NOT RUN: Wine cannot start a 32-bit program on this machine (no wine32, or a kernel"
  echo "without 32-bit support: 'ctest --test-dir $BUILD/win32 -R Wine32 -V' shows why)."
fi
exit $status
