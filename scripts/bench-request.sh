#!/bin/bash
# Benchmark of one REST call through the scheduler's request dialog against
# the reference service on loopback, beside the bare HTTP exchange of the same
# call: prints p50/p95 of both and the dialog's overhead (target 80 ms, 50 ms
# of it the completion timer). Builds the native and win64 trees first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/bench.sh"
run_benchmark bench-request request_dialog_bench.exe
