#!/bin/bash
# Stops what cmake/wine-run.sh started for one build tree: its wineserver and,
# when the wrapper had to start one, its Xvfb display (by process id).
STATE="$1"
[ -d "$STATE" ] || exit 0
if [ -d "$STATE/prefix" ]; then
  WINEPREFIX="$STATE/prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
fi
if [ -f "$STATE/xvfb.pid" ]; then
  kill "$(cat "$STATE/xvfb.pid")" 2>/dev/null || true
  rm -f "$STATE/xvfb.pid" "$STATE/xvfb.display"
fi
exit 0
