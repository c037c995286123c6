#!/bin/bash
# Benchmark of one REST call through the scheduler's request dialog against
# the reference service on loopback, beside the bare HTTP exchange of the same
# call: prints p50/p95 of both and the dialog's overhead (target 80 ms, 50 ms
# of it the completion timer). Builds the native and win64 trees first.
#
# Runs in a Wine prefix of its own (build/win64/wine-bench) whose windows are
# not managed: under Xvfb no window manager answers Wine's focus requests, and
# every dialog that closes would otherwise wait about 2 s for one, which is
# not what a Windows desktop does.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
PORT="${MIVO_REFSERVICE_PORT:-47380}"

"$ROOT/scripts/build.sh" native win64

SERVICE="$BUILD/native/tools/refservice/mivo-refservice"
STATE="$BUILD/bench-request"
PREFIX="$BUILD/win64/wine-bench"
CTL="$ROOT/cmake/refservice-ctl.sh"
WINE=("$ROOT/cmake/wine-run.sh" "$PREFIX")

"$CTL" start "$SERVICE" "$PORT" "$STATE"
trap '"$CTL" stop "$SERVICE" "$PORT" "$STATE"; "$ROOT/cmake/wine-stop.sh" "$PREFIX"' EXIT
"${WINE[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
cd "$BUILD/win64/bin"
MIVO_REFSERVICE_PORT="$PORT" "${WINE[@]}" ./request_dialog_bench.exe
