#!/bin/bash
# Pictures of the Outlook host for the documentation: its main window and
# an appointment window, ribbon and body included, run under Wine from a
# scenario script and written as PNG files into docs/images/: with Office in
# Chinese, and (the add-in only) in English as <name>-en.png.
#
# The add-in in the pictures is MivoOutlookPlugin.dll when the build has it
# (registered for the user in the pictures' own Wine prefix, the reference
# service answering), else the host's small test add-in.
#
# It uses the Wine prefix of scripts/dialog-pictures.sh
# (build/win64/wine-pictures): Wine draws the window frames itself (no
# window manager runs under Xvfb) and Tahoma links to WenQuanYi Micro Hei
# for the Chinese glyphs.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
PORT="${MIVO_REFSERVICE_PORT:-47380}"
OUT="$ROOT/docs/images"
STATE="$BUILD/win64/wine-pictures"
WINE=("$ROOT/cmake/wine-run.sh" "$STATE")
BIN="$BUILD/win64/bin"
SCENARIOS="$ROOT/testing/outlookhost/scenarios"

SERVICE="$BUILD/native/testing/refservice/mivo-refservice"
SERVICE_STATE="$BUILD/pictures-service"
CTL="$ROOT/cmake/refservice-ctl.sh"

[ -x "$SERVICE" ] || "$ROOT/scripts/build.sh" native
[ -f "$BUILD/win64/build.ninja" ] || "$ROOT/scripts/build.sh" win64
cmake --build "$BUILD/win64" --target mivo-outlook test_addin

"$CTL" start "$SERVICE" "$PORT" "$SERVICE_STATE"
shots="$(mktemp -d)"
stop_all() {
  rm -rf "$shots"
  "$CTL" stop "$SERVICE" "$PORT" "$SERVICE_STATE"
  "$ROOT/cmake/wine-stop.sh" "$STATE"
}
trap stop_all EXIT
"${WINE[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
"${WINE[@]}" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
  /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null
"${WINE[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null

addins='HKCU\Software\Microsoft\Office\Outlook\Addins'
"${WINE[@]}" reg delete "$addins" /f >/dev/null 2>&1 || true
if [ -f "$BIN/MivoOutlookPlugin.dll" ]; then
  (cd "$BIN" && "${WINE[@]}" regsvr32 /s /n /i:user MivoOIURL.dll MivoScheduler64.dll MivoOutlookPlugin.dll)
  script="$SCENARIOS/pictures.scenario"
  prefix="outlook"
else
  clsid='{6C2D9B51-3F0E-4A7C-9D1B-2E8F4A6B7C11}'
  server="Z:${BIN//\//\\}\\test_addin.dll"
  "${WINE[@]}" reg add 'HKCU\Software\Classes\MivoTest.Addin\CLSID' /ve /d "$clsid" /f >/dev/null
  "${WINE[@]}" reg add "HKCU\\Software\\Classes\\CLSID\\$clsid\\InprocServer32" /ve /d "$server" /f >/dev/null
  "${WINE[@]}" reg add "HKCU\\Software\\Classes\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel /d Apartment /f >/dev/null
  "${WINE[@]}" reg add "$addins\\MivoTest.Addin" /v LoadBehavior /t REG_DWORD /d 3 /f >/dev/null
  "${WINE[@]}" reg add "$addins\\MivoTest.Addin" /v FriendlyName /d "Test add-in" /f >/dev/null
  script="$SCENARIOS/pictures-test-addin.scenario"
  prefix="outlook-host"
fi
# A new desktop process reads the scaling afresh.
"$ROOT/cmake/wine-stop.sh" "$STATE"

languages="2052:"
[ "$prefix" = outlook ] && languages="2052: 1033:-en"
mkdir -p "$OUT"
for language in $languages; do
  id="${language%%:*}" tag="${language##*:}"
  rm -f "$shots"/*.bmp
  # Each run signs in afresh.
  "${WINE[@]}" reg delete 'HKCU\Software\Mivo_Outlook\General' /f >/dev/null 2>&1 || true
  (cd "$shots" && MIVO_REFSERVICE_PORT="$PORT" "${WINE[@]}" "$BIN/mivo-outlook.exe" \
    --office-language "$id" "Z:${script//\//\\}")
  for bmp in "$shots"/*.bmp; do
    name="$(basename "$bmp" .bmp)"
    # Without metadata, so that a picture that looks the same is the same file.
    convert "$bmp" -strip "$OUT/$prefix-$name$tag.png"
    echo "$OUT/$prefix-$name$tag.png"
  done
done
