#!/bin/bash
# Benchmark of Commit for a new meeting through the scheduler DLL against the
# reference service on loopback: the user refresh, the meeting options dialog
# answered at once by the dialog robot and the schedule save. Prints p50/p95 of
# the wall time, of the HTTP exchanges as the service saw them and of the
# overhead between them (target 150 ms). Builds the native and win64 trees
# first. Usage: scripts/bench-commit.sh [runs]   (default 30)
#
# Runs in the benchmarks' Wine prefix (build/win64/wine-bench), whose windows
# are not managed: under Xvfb no window manager answers Wine's focus requests,
# and every dialog that closes would otherwise wait about 2 s for one.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
PORT="${MIVO_REFSERVICE_PORT:-47380}"

"$ROOT/scripts/build.sh" native win64

SERVICE="$BUILD/native/tools/refservice/mivo-refservice"
STATE="$BUILD/bench-commit"
PREFIX="$BUILD/win64/wine-bench"
CTL="$ROOT/cmake/refservice-ctl.sh"
WINE=("$ROOT/cmake/wine-run.sh" "$PREFIX")

"$CTL" start "$SERVICE" "$PORT" "$STATE"
trap '"$CTL" stop "$SERVICE" "$PORT" "$STATE"; "$ROOT/cmake/wine-stop.sh" "$PREFIX"' EXIT
"${WINE[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
cd "$BUILD/win64/bin"
MIVO_REFSERVICE_PORT="$PORT" "${WINE[@]}" ./commit_bench.exe "$@"
