#!/bin/bash
# Benchmark of Commit for a new meeting through the scheduler DLL against the
# reference service on loopback: the user refresh, the meeting options dialog
# answered at once by the dialog robot and the schedule save. Prints p50/p95 of
# the wall time, of the HTTP exchanges as the service saw them and of the
# overhead between them (target 150 ms), with the overhead broken down by
# dialog. Builds the native and win64 trees first.
# Usage: scripts/bench-commit.sh [runs]   (default 30)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/bench.sh"
run_benchmark bench-commit commit_bench.exe "$@"
