#!/bin/bash
# Benchmark of the add-in inside the Outlook host: start-up step by step (a
# fresh host process each run; target 50 ms), opening an appointment with 50
# attendees (target 5 ms) and with 1,000, saving a new online meeting with a
# plain body and with 10,000 bookmarks of the user's (the bookmarks' share
# should stay small), a visibility pass with 20 windows open (target 2 ms),
# and 1,000 windows opened and closed (handles, private bytes, objects left). Prints p50/p95 for the x64 add-in in the x64 host, then for the x86
# add-in in the x86 host (where Wine can run 32-bit programs). Builds the
# native, win64 and win32 trees first.
# Usage: scripts/bench-addin.sh [runs]   (default 30)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/bench.sh"
echo "== x64 add-in in the x64 host"
(run_benchmark bench-addin addin_bench.exe "$@")
echo
echo "== x86 add-in in the x86 host"
(MIVO_BENCH_TREE=win32 run_benchmark bench-addin-x86 addin_bench.exe "$@")
