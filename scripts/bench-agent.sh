#!/bin/bash
# Benchmark of the HTTP agent (MivoOIURL.dll under Wine) against the
# reference service on loopback: delivery latency after the last response
# byte (p50, p95 over 200 requests) and whole request times for 1 KB and
# 1 MB responses. Builds the native and win64 trees first.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
PORT="${MIVO_REFSERVICE_PORT:-47380}"

"$ROOT/scripts/build.sh" native
"$ROOT/scripts/build.sh" win64

SERVICE="$BUILD/native/tools/refservice/mivo-refservice"
STATE="$BUILD/bench-agent"
CTL="$ROOT/cmake/refservice-ctl.sh"
"$CTL" start "$SERVICE" "$PORT" "$STATE"
trap '"$CTL" stop "$SERVICE" "$PORT" "$STATE"; "$ROOT/cmake/wine-stop.sh" "$BUILD/win64/wine"' EXIT
cd "$BUILD/win64/bin"
MIVO_REFSERVICE_PORT="$PORT" "$ROOT/cmake/wine-run.sh" "$BUILD/win64/wine" ./oiurl_bench.exe
