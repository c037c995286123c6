#!/bin/bash
# Prints how long mivo-refservice takes from exec to its ready line and from
# SIGTERM to its exit, over several runs, with HTTP and HTTPS listeners.
# usage: testing/refservice/bench-startup.sh [program] [runs]
# Ports: MIVO_REFSERVICE_PORT (default 47380) and the next one.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
PROG="${1:-${MIVO_BUILD_ROOT:-$ROOT/build}/native/testing/refservice/mivo-refservice}"
RUNS="${2:-20}"
PORT="${MIVO_REFSERVICE_PORT:-47380}"
[ -x "$PROG" ] || { echo "not built: $PROG" >&2; exit 1; }

now_us() { echo $(( $(date +%s%N) / 1000 )); }

starts=() stops=()
for _ in $(seq 1 "$RUNS"); do
  begin=$(now_us)
  coproc SERVICE { exec "$PROG" --port "$PORT" --tls-port "$((PORT + 1))" 2>&1; }
  pid=$SERVICE_PID
  ready=0
  while read -r line <&"${SERVICE[0]}"; do
    if [[ $line == listening* ]]; then ready=1; break; fi
  done
  [ "$ready" = 1 ] || { echo "the service did not start (port $PORT busy?)" >&2; exit 1; }
  starts+=($(( $(now_us) - begin )))
  begin=$(now_us)
  kill "$pid"
  wait "$pid" || true
  stops+=($(( $(now_us) - begin )))
done

summary() {  # label, microsecond values...
  local label="$1"; shift
  printf '%s\n' "$@" | sort -n | awk -v label="$label" '
    { v[NR] = $1; sum += $1 }
    END { printf "%-30s mean %6.1f ms  median %6.1f ms  worst %6.1f ms  (%d runs)\n",
          label, sum / NR / 1000, v[int((NR + 1) / 2)] / 1000, v[NR] / 1000, NR }'
}
summary "start-up to ready line" "${starts[@]}"
summary "SIGTERM to exit" "${stops[@]}"
