#!/bin/bash
# start|stop the reference meeting service for a test run.
# usage: refservice-ctl.sh start|stop <program> <port> <state folder>
set -euo pipefail
cmd="$1" prog="$2" port="$3" state="$4"
mkdir -p "$state"

# Stops the instance this state folder started (by its process id) and waits
# until it has exited, so that its ports are free again.
stop_service() {
  [ -f "$state/pid" ] || return 0
  local pid
  pid="$(cat "$state/pid")"
  if kill "$pid" 2>/dev/null; then
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
  fi
  rm -f "$state/pid"
}

case "$cmd" in
  start)
    stop_service
    [ -x "$prog" ] || { echo "reference service not built: $prog" >&2; exit 1; }
    "$prog" --port "$port" --tls-port "$((port + 1))" --state-dir "$state" >"$state/log" 2>&1 &
    echo $! >"$state/pid"
    for _ in $(seq 1 100); do
      if grep -q "^listening on" "$state/log" 2>/dev/null; then exit 0; fi
      kill -0 "$(cat "$state/pid")" 2>/dev/null || { cat "$state/log" >&2; rm -f "$state/pid"; exit 1; }
      sleep 0.05
    done
    echo "reference service did not start" >&2; cat "$state/log" >&2; exit 1
    ;;
  stop)
    stop_service
    ;;
  *) echo "usage: $0 start|stop <program> <port> <state>" >&2; exit 2 ;;
esac
