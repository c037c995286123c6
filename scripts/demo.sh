#!/bin/bash
# The README's story: builds what it needs of the native and win64 trees
# (the reference service, the Outlook host, the packages), starts the reference
# meeting service on loopback, installs the add-in from its package
# (msiexec /i /qn, per user) into a Wine prefix of its own, and plays the
# story in the Outlook host (mivo-outlook.exe): sign in and choose an
# organisation from the main window's ribbon, a new online meeting from the
# main window, attendees of every kind, send, a new time sent again, an
# instant meeting, the online meeting removed. After each step the host
# prints what the user sees (the ribbon, the appointment's subject, location
# and body with the invitation) and what the service received. At the end
# the package is removed again (msiexec /x /qn).
#
# Usage: scripts/demo.sh [--x86] [--interactive] [--english] [--no-build]
#   --x86                    the same story in the x86 host (32-bit Outlook) with the
#                            x86 add-in from the same package, in a prefix of its own
#                            (build/win32/wine-demo); needs a machine whose Wine runs
#                            32-bit programs
#   --interactive            the windows are yours on your own display: the host
#                            starts with the add-in and the story's address book,
#                            and you click and answer everything (MIVO_DEMO_INTERACTIVE=1
#                            with DISPLAY set does the same); otherwise the story's
#                            script clicks and the dialog robot answers, under Xvfb
#                            when no DISPLAY is set
#   --english                Office in English: the add-in's ribbon and dialogs in
#                            English (otherwise Office, and the add-in, in Chinese)
#   --no-build               use the trees as they are built (for repeated runs)
#   MIVO_REFSERVICE_PORT     the service's port (default 47380; the build compiles
#                            it into the test package's resource library)
#   MIVO_BUILD_ROOT          the build folder (default build/)
#
# The story runs in build/win64/wine-demo (--x86: build/win32/wine-demo),
# never in the test prefix. Each run
# starts as a new user (the add-in's settings in that prefix are cleared).
# The service and Wine are stopped on exit.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
PORT="${MIVO_REFSERVICE_PORT:-47380}"

interactive=0
build=1
x86=0
office_language=2052
for arg in "$@"; do
  case "$arg" in
    --interactive) interactive=1 ;;
    --english) office_language=1033 ;;
    --no-build) build=0 ;;
    --x86) x86=1 ;;
    -h|--help) sed -n '2,35p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo: unknown argument: $arg (try --help)" >&2; exit 2 ;;
  esac
done
if [ "${MIVO_DEMO_INTERACTIVE:-}" = 1 ]; then
  if [ -n "${DISPLAY:-}" ]; then
    interactive=1
  else
    echo "demo: MIVO_DEMO_INTERACTIVE=1 but no DISPLAY is set: the robot answers the dialogs" >&2
  fi
fi
if [ "$interactive" = 1 ] && [ -z "${DISPLAY:-}" ]; then
  echo "demo: --interactive needs a display to show the windows on (DISPLAY is not set)" >&2
  exit 2
fi

# Only what the story needs: the service, the host and the packages (which
# carry the x86 add-in too).
HOST_TREE=win64
[ "$x86" = 1 ] && HOST_TREE=win32
if [ "$build" = 1 ]; then
  "$ROOT/scripts/build.sh" native:mivo-refservice win64:mivo-outlook,mivo_test_packages
  [ "$x86" = 1 ] && "$ROOT/scripts/build.sh" win32:mivo-outlook,wine32_probe
fi

# The test package's resource library carries the service's address from
# the build's configuration; a service on another port would never be reached.
configured="$(sed -n 's/^MIVO_REFSERVICE_PORT:[A-Z]*=//p' "$BUILD/win64/CMakeCache.txt")"
if [ "$configured" != "$PORT" ]; then
  echo "demo: $BUILD/win64 was configured for the service on port $configured, not $PORT;" >&2
  echo "      run with MIVO_REFSERVICE_PORT=$configured or use another MIVO_BUILD_ROOT" >&2
  exit 2
fi
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD/win64/CMakeCache.txt")"
PACKAGE="$BUILD/win64/bin/packages/VantorOutlookPluginSetup-$version.msi"
[ -f "$PACKAGE" ] || { echo "demo: $PACKAGE is missing: build the win64 tree" >&2; exit 2; }

SERVICE="$BUILD/native/testing/refservice/mivo-refservice"
SERVICE_STATE="$BUILD/demo-service"
PREFIX="$BUILD/$HOST_TREE/wine-demo"
CTL="$ROOT/cmake/refservice-ctl.sh"
WINE=("$ROOT/cmake/wine-run.sh" "$PREFIX")
if [ "$x86" = 1 ] && ! "${WINE[@]}" "$BUILD/win32/bin/wine32_probe.exe" >/dev/null 2>&1; then
  "$ROOT/cmake/wine-stop.sh" "$PREFIX"
  echo "demo: Wine cannot start a 32-bit program on this machine (no wine32, or a kernel" >&2
  echo "      without 32-bit support), so the x86 host cannot run here" >&2
  exit 2
fi
SCENARIO="$ROOT/testing/outlookhost/scenarios/demo.scenario"
msi="Z:${PACKAGE//\//\\}"

"$CTL" start "$SERVICE" "$PORT" "$SERVICE_STATE"
trap '"$CTL" stop "$SERVICE" "$PORT" "$SERVICE_STATE"; "$ROOT/cmake/wine-stop.sh" "$PREFIX"' EXIT

now() { date +%s.%N; }
seconds() { LC_ALL=C awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }
wine_quiet() { "${WINE[@]}" "$@" >/dev/null 2>&1; }

# On a desktop a person moves and focuses the windows through the window
# manager; under the robot no window manager is waited for (Xvfb has none).
managed=N
args=(--office-language "$office_language")
script="$SCENARIO"
if [ "$interactive" = 1 ]; then
  managed=Y
  args+=(--interactive)
  # The story's address book, then the windows are the person's.
  script="$BUILD/$HOST_TREE/demo-interactive.scenario"
  { grep '^directory ' "$SCENARIO"; echo start; } >"$script"
fi
started="$(now)"
echo "== Preparing the demo's Wine prefix ($PREFIX)"
wine_quiet reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$managed" /f
# A new user: whatever an earlier run installed or left signed in is gone.
wine_quiet msiexec /x "$msi" /qn || true
wine_quiet reg delete 'HKCU\Software\Mivo_Outlook' /f || true

echo
echo "== Installing $(basename "$PACKAGE") for the user: msiexec /i ... /qn"
t0="$(now)"
"${WINE[@]}" msiexec /i "$msi" /qn
t1="$(now)"
echo "   installed in $(seconds "$t0" "$t1") s"
echo "   OutlookPluginVersion: $("${WINE[@]}" reg query 'HKCU\Software\Mivo_Outlook\General' \
  /v OutlookPluginVersion 2>/dev/null | tr -d '\r' | awk '/OutlookPluginVersion/ { print $3 }')"
echo "   Outlook's add-in key (LoadBehavior 3 loads it at start-up):"
"${WINE[@]}" reg query 'HKCU\Software\Microsoft\Office\Outlook\Addins\MivoOutlookPlugin.OutlookConnector' \
  2>/dev/null | tr -d '\r' | sed -n 's/^ \{4\}/     /p'
classes='HKCU\Software\Classes'
[ "$x86" = 1 ] && classes='HKCU\Software\Classes\WOW6432Node'
echo "   The add-in $([ "$x86" = 1 ] && echo 32-bit || echo 64-bit) Outlook loads ($classes\CLSID\...\InprocServer32):"
"${WINE[@]}" reg query "$classes\CLSID\{1006FAF5-DCBA-4F68-9B9C-92A950C224E4}\InprocServer32" /ve \
  2>/dev/null | tr -d '\r' | sed -n 's/^ \{4\}/     /p'

echo
if [ "$interactive" = 1 ]; then
  if [ "$office_language" = 1033 ]; then
    sign_in="Sign In" schedule="Schedule Meeting" now_button="Meet Now" remove="Remove Online Meeting"
  else
    sign_in="登录" schedule="预约会议" now_button="立即开会" remove="取消在线会议"
  fi
  echo "== The Outlook host is yours. The story: sign in ($sign_in, bob / bob-pass) and choose"
  echo "   an organisation; $schedule for a new online meeting; add 李雷, Room Booking,"
  echo "   Design Team and an outside address; Send; open it again, move it, Send;"
  echo "   $now_button in the main window; open the meeting and $remove. Close the main"
  echo "   window to end. The service's log: $SERVICE_STATE/log"
else
  echo "== The story in the $([ "$x86" = 1 ] && echo x86 || echo x64) Outlook host (mivo-outlook.exe $(basename "$SCENARIO"))"
fi
set +e
(cd "$BUILD/$HOST_TREE/bin" &&
  MIVO_REFSERVICE_PORT="$PORT" MIVO_WINE_LIVE_OUTPUT=1 \
    "${WINE[@]}" ./mivo-outlook.exe "${args[@]}" "Z:${script//\//\\}")
rc=$?
set -e
t2="$(now)"

echo
echo "== Removing the package: msiexec /x ... /qn"
"${WINE[@]}" msiexec /x "$msi" /qn
t3="$(now)"
echo "   removed in $(seconds "$t2" "$t3") s; the user's settings under HKCU\\Software\\Mivo_Outlook stay"

echo
echo "The reference service ran at http://127.0.0.1:$PORT (HTTPS on $((PORT + 1))); its log: $SERVICE_STATE/log"
echo "The demo took $(seconds "$started" "$t3") s (the story $(seconds "$t1" "$t2") s)."
if [ "$rc" != 0 ]; then
  echo "demo: the story failed (exit code $rc)" >&2
fi
exit "$rc"
