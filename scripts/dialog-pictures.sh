#!/bin/bash
# Pictures of the scheduler's dialogs for the documentation: builds the win64
# tree's picture program, which runs the scheduler's real dialogs (fonts,
# pictures and cue banner as the code sets them; the request dialog on a call
# to the reference service), runs it under Wine in Chinese and English at
# 100 % and 150 % scaling and writes PNG files into docs/images/
# (dialog-<name>[-en][-150].png).
#
# It uses a Wine prefix of its own (build/win64/wine-pictures) with two
# settings the test prefix does not have: Wine draws the window frames itself
# (no window manager runs under Xvfb), and Tahoma, which the dialog font maps
# to, links to WenQuanYi Micro Hei for the Chinese glyphs.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
PORT="${MIVO_REFSERVICE_PORT:-47380}"
OUT="$ROOT/docs/images"
STATE="$BUILD/win64/wine-pictures"
WINE=("$ROOT/cmake/wine-run.sh" "$STATE")

SERVICE="$BUILD/native/testing/refservice/mivo-refservice"
SERVICE_STATE="$BUILD/pictures-service"
CTL="$ROOT/cmake/refservice-ctl.sh"

[ -x "$SERVICE" ] || "$ROOT/scripts/build.sh" native
[ -f "$BUILD/win64/build.ninja" ] || "$ROOT/scripts/build.sh" win64
cmake --build "$BUILD/win64" --target mivo-scheduler-dialog-pictures

"$CTL" start "$SERVICE" "$PORT" "$SERVICE_STATE"
stop_all() { "$CTL" stop "$SERVICE" "$PORT" "$SERVICE_STATE"; "$ROOT/cmake/wine-stop.sh" "$STATE"; }
trap stop_all EXIT
"${WINE[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
"${WINE[@]}" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
  /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null

shots="$(mktemp -d)"
trap 'rm -rf "$shots"; stop_all' EXIT
mkdir -p "$OUT"
for scale in 100:96 150:144; do
  percent="${scale%%:*}" dpi="${scale##*:}"
  "${WINE[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  # A new desktop process reads the scaling afresh.
  "$ROOT/cmake/wine-stop.sh" "$STATE"
  for language in 2052:"" 1033:-en; do
    id="${language%%:*}" tag="${language##*:}"
    mkdir -p "$shots/$percent$tag"
    MIVO_REFSERVICE_PORT="$PORT" "${WINE[@]}" "$BUILD/win64/bin/mivo-scheduler-dialog-pictures.exe" \
      "Z:${shots//\//\\}\\$percent$tag" "$id"
    suffix="$tag"
    [ "$percent" = 100 ] || suffix="$tag-$percent"
    for bmp in "$shots/$percent$tag"/*.bmp; do
      name="$(basename "$bmp" .bmp)"
      # Without metadata, so that a picture that looks the same is the same file.
      convert "$bmp" -strip "$OUT/dialog-$name$suffix.png"
    done
  done
done
ls -1 "$OUT"
