#!/bin/bash
# Runs a Windows program under Wine for CTest (the cross-compiling emulator)
# and for the scripts. First argument: the state folder of this build tree,
# which holds the private Wine prefix and, when this wrapper had to start one,
# the Xvfb display. One wineserver is kept alive for the whole run.
set -euo pipefail
STATE="$1"; shift
mkdir -p "$STATE"
export WINEPREFIX="$STATE/prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts when the prefix is created.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINE" ] || WINE="$(command -v wine64 || command -v wine)"
[ -x "$WINESERVER" ] || WINESERVER="$(command -v wineserver)"

ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  if [ -f "$STATE/xvfb.pid" ] && kill -0 "$(cat "$STATE/xvfb.pid")" 2>/dev/null; then
    export DISPLAY="$(cat "$STATE/xvfb.display")"
    return 0
  fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 9>&- &
    local pid=$!
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      echo "$pid" >"$STATE/xvfb.pid"
      echo ":$n" >"$STATE/xvfb.display"
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "wine-run: could not start Xvfb" >&2
  return 1
}

(
  flock 9
  ensure_display
  if [ ! -f "$STATE/prefix-ready" ]; then
    "$WINE" wineboot -i >/dev/null 2>&1 9>&- || true
    "$WINESERVER" -w 9>&- >/dev/null 2>&1
    touch "$STATE/prefix-ready"
  fi
  if [ ! -f "$STATE/prefix-settings-v2" ]; then
    # No window manager runs under Xvfb: without Managed=N Wine waits about
    # 2 s for one whenever a dialog or an owner window is shown or hidden.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      >/dev/null 2>&1 9>&- </dev/null || true
    # Wine's Tahoma (its "MS Shell Dlg") has no Chinese glyphs; link it to the
    # WenQuanYi font from Debian so the dialogs' texts are legible.
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f \
      >/dev/null 2>&1 9>&- </dev/null || true
    # A crashing program ends at once with its failure instead of waiting
    # in Wine's debugger, so a crash fails its test rather than hanging it.
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Auto /t REG_SZ /d 0 /f >/dev/null 2>&1 9>&- </dev/null || true
    "$WINE" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /f >/dev/null 2>&1 9>&- </dev/null || true
    touch "$STATE/prefix-settings-v2"
  fi
  # Persistent for 60 s after the last client: one server for a whole test run.
  "$WINESERVER" -p60 9>&- >/dev/null 2>&1 </dev/null || true
) 9>"$STATE/lock"
ensure_display
# Wine's system processes (services.exe and friends), started on demand by
# the first program, inherit its standard handles and outlive it. Through a
# pipe they would keep CTest waiting until the wineserver exits, so the
# program writes to files that are copied out when it ends (or, with
# MIVO_WINE_LIVE_OUTPUT=1, followed while it runs).
out="$(mktemp "$STATE/out.XXXXXX")"
err="$(mktemp "$STATE/err.XXXXXX")"
trap 'rm -f "$out" "$err"' EXIT
set +e
if [ "${MIVO_WINE_LIVE_OUTPUT:-}" = 1 ]; then
  # Output as it is written (the demo): tail follows the file and ends with
  # the program, so no pipe is left open to Wine's system processes.
  "$WINE" "$@" >"$out" 2>"$err" </dev/null &
  program=$!
  tail -n +1 -s 0.2 -f --pid="$program" "$out" &
  follower=$!
  wait "$program"
  rc=$?
  wait "$follower"
else
  "$WINE" "$@" >"$out" 2>"$err" </dev/null
  rc=$?
  cat "$out"
fi
set -e
cat "$err" >&2
exit $rc
