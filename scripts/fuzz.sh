#!/bin/bash
# Fuzzes the readers of the meeting data and the portable helpers for a while
# and prints the figures. Usage: scripts/fuzz.sh [seconds]   (default 300)
# MIVO_BUILD_ROOT picks the build folder (default: build/); the native tree
# must be built with clang, as scripts/build.sh does.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
SECONDS_TO_RUN="${1:-300}"

# Only the fuzz target is (re)built once the native tree exists.
[ -f "$BUILD/native/build.ninja" ] || "$ROOT/scripts/build.sh" native >/dev/null
cmake --build "$BUILD/native" --target mivo_records_fuzz >/dev/null
FUZZ_DIR="$BUILD/native/tools/fuzz"
FUZZER="$FUZZ_DIR/mivo_records_fuzz"
[ -x "$FUZZER" ] || { echo "fuzz.sh: $FUZZER was not built (is the native compiler clang?)" >&2; exit 1; }

WORK="$FUZZ_DIR/corpus"
ARTIFACTS="$FUZZ_DIR/artifacts"
mkdir -p "$WORK" "$ARTIFACTS"
LOG="$FUZZ_DIR/last-run.log"
set +e
"$FUZZER" -max_total_time="$SECONDS_TO_RUN" -print_final_stats=1 \
  -artifact_prefix="$ARTIFACTS/" "$WORK" "$ROOT/tools/fuzz/corpus" >"$LOG" 2>&1
rc=$?
set -e

last_progress="$(grep -E '^#[0-9]+' "$LOG" | tail -n 1 || true)"
field() { sed -n "s/.* $1: \([0-9]*\).*/\1/p" <<<"$last_progress"; }
stat() { sed -n "s/^stat::$1: *\([0-9]*\).*/\1/p" "$LOG"; }
echo "fuzz target:        mivo_records_fuzz (appointment, settings and user-information readers, JSON, text, dates, Base64)"
echo "time:               ${SECONDS_TO_RUN} s"
echo "executions:         $(stat number_of_executed_units)"
echo "executions per s:   $(stat average_exec_per_sec)"
echo "coverage (edges):   $(field cov)"
echo "features:           $(field ft)"
echo "corpus (inputs):    $(field corp) in $WORK"
echo "new inputs:         $(stat new_units_added)"
echo "peak memory (MB):   $(stat peak_rss_mb)"
crashes="$(find "$ARTIFACTS" -type f | wc -l)"
echo "failing inputs:     $crashes in $ARTIFACTS"
echo "log:                $LOG"
exit $rc
