#!/bin/bash
# Benchmark of the add-in inside the Outlook host: start-up step by step (a
# fresh host process each run; target 50 ms), opening an appointment with 50
# attendees (target 5 ms), a visibility pass with 20 windows open (target
# 2 ms), and 1,000 windows opened and closed (handles, private bytes, objects
# left). Prints p50/p95. Builds the native and win64 trees first.
# Usage: scripts/bench-addin.sh [runs]   (default 30)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/bench.sh"
run_benchmark bench-addin addin_bench.exe "$@"
