#!/bin/bash
# Benchmark of the HTTP agent (MivoOIURL.dll under Wine) against the
# reference service on loopback: delivery latency after the last response
# byte (p50, p95 over 200 requests) and whole request times for 1 KB and
# 1 MB responses. Builds the native and win64 trees first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/bench.sh"
run_benchmark bench-agent oiurl_bench.exe
