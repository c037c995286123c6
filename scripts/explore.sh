#!/bin/bash
# The lifecycle explorer: random Outlook sessions with the add-in in the
# Outlook host against a fresh reference service that fails one request now
# and then, the invariants checked after every step. Prints sessions per
# second, the steps and faults that occurred, and each kind of violation
# found with its session shrunk to a scenario (written to
# build/win64/explorer/ and replayed by mivo-outlook.exe), known or not.
#
# Usage: scripts/explore.sh [--sessions N] [--seed S] [--faults LIST] [--no-build]
#   --sessions N   how many sessions (default 1000)
#   --seed S       session i plays seed S + i (default: the time)
#   --faults LIST  drop,late,status,code,malformed,empty (all by default) or none
#   --no-build     use the trees as they are built
#   MIVO_REFSERVICE_PORT, MIVO_BUILD_ROOT as for the other scripts
#
# It runs in the test tree's Wine prefix with its own service on the port.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
PORT="${MIVO_REFSERVICE_PORT:-47380}"

sessions=1000
seed="$(date +%s)"
build=1
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --sessions) sessions="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --faults) extra+=(--faults "$2"); shift 2 ;;
    --no-build) build=0; shift ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "explore: unknown argument: $1 (try --help)" >&2; exit 2 ;;
  esac
done

[ "$build" = 1 ] && "$ROOT/scripts/build.sh" native:mivo-refservice win64:mivo-explorer

configured="$(sed -n 's/^MIVO_REFSERVICE_PORT:[A-Z]*=//p' "$BUILD/win64/CMakeCache.txt")"
if [ "$configured" != "$PORT" ]; then
  echo "explore: $BUILD/win64 was configured for the service on port $configured, not $PORT" >&2
  exit 2
fi

SERVICE="$BUILD/native/testing/refservice/mivo-refservice"
STATE="$BUILD/explore-service"
CTL="$ROOT/cmake/refservice-ctl.sh"
"$CTL" start "$SERVICE" "$PORT" "$STATE"
trap '"$CTL" stop "$SERVICE" "$PORT" "$STATE"' EXIT

OUT="$BUILD/win64/explorer"
rm -rf "$OUT"
cd "$BUILD/win64/bin"
MIVO_REFSERVICE_PORT="$PORT" "$ROOT/cmake/wine-run.sh" "$BUILD/win64/wine" ./mivo-explorer.exe \
  --sessions "$sessions" --seed "$seed" --out "Z:${OUT//\//\\}" "${extra[@]}"
