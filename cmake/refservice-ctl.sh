#!/bin/bash
# start|stop the reference meeting service for a test run.
# usage: refservice-ctl.sh start|stop <program> <port> <state folder>
set -euo pipefail
cmd="$1" prog="$2" port="$3" state="$4"
mkdir -p "$state"
case "$cmd" in
  start)
    if [ -f "$state/pid" ] && kill -0 "$(cat "$state/pid")" 2>/dev/null; then
      kill "$(cat "$state/pid")" 2>/dev/null || true
      sleep 0.2
    fi
    [ -x "$prog" ] || { echo "reference service not built: $prog" >&2; exit 1; }
    "$prog" --port "$port" --tls-port "$((port + 1))" --state-dir "$state" >"$state/log" 2>&1 &
    echo $! >"$state/pid"
    for _ in $(seq 1 100); do
      if grep -q "listening" "$state/log" 2>/dev/null; then exit 0; fi
      kill -0 "$(cat "$state/pid")" 2>/dev/null || { cat "$state/log" >&2; exit 1; }
      sleep 0.05
    done
    echo "reference service did not start" >&2; cat "$state/log" >&2; exit 1
    ;;
  stop)
    if [ -f "$state/pid" ]; then
      kill "$(cat "$state/pid")" 2>/dev/null || true
      rm -f "$state/pid"
    fi
    ;;
  *) echo "usage: $0 start|stop <program> <port> <state>" >&2; exit 2 ;;
esac
