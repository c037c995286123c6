#!/bin/bash
# The walkthrough: builds the native and win64 trees, starts the reference
# meeting service on loopback and runs mivo-walkthrough.exe under Wine, which
# plays the Outlook add-in's part (sign-in, a new meeting, its update, the
# instant meeting, the deletion) and prints each step.
#
# Usage: scripts/demo.sh [--interactive]
#   --interactive            you answer the dialogs on your own display
#                            (MIVO_DEMO_INTERACTIVE=1 with DISPLAY set does the same);
#                            otherwise the dialog robot answers them, under Xvfb
#                            when no DISPLAY is set
#   MIVO_REFSERVICE_PORT     the service's port (default 47380; the build compiles
#                            it into the test resource library)
#   MIVO_BUILD_ROOT          the build folder (default build/)
#
# The walkthrough runs in a Wine prefix of its own (build/win64/wine-demo), so
# it never touches the test prefix. The service and Wine are stopped on exit.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
PORT="${MIVO_REFSERVICE_PORT:-47380}"

interactive=0
for arg in "$@"; do
  case "$arg" in
    --interactive) interactive=1 ;;
    -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
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
  echo "demo: --interactive needs a display to show the dialogs on (DISPLAY is not set)" >&2
  exit 2
fi

"$ROOT/scripts/build.sh" native win64

# The test resource library carries the service's address from the build's
# configuration; a service on another port would never be reached.
configured="$(sed -n 's/^MIVO_REFSERVICE_PORT:[A-Z]*=//p' "$BUILD/win64/CMakeCache.txt")"
if [ "$configured" != "$PORT" ]; then
  echo "demo: $BUILD/win64 was configured for the service on port $configured, not $PORT;" >&2
  echo "      run with MIVO_REFSERVICE_PORT=$configured or use another MIVO_BUILD_ROOT" >&2
  exit 2
fi

SERVICE="$BUILD/native/tools/refservice/mivo-refservice"
SERVICE_STATE="$BUILD/demo-service"
PREFIX="$BUILD/win64/wine-demo"
CTL="$ROOT/cmake/refservice-ctl.sh"
WINE=("$ROOT/cmake/wine-run.sh" "$PREFIX")

"$CTL" start "$SERVICE" "$PORT" "$SERVICE_STATE"
trap '"$CTL" stop "$SERVICE" "$PORT" "$SERVICE_STATE"; "$ROOT/cmake/wine-stop.sh" "$PREFIX"' EXIT

# On a desktop a person moves and focuses the dialogs through the window
# manager; under the robot no window manager is waited for (Xvfb has none).
managed=N
args=()
if [ "$interactive" = 1 ]; then
  managed=Y
  args=(--interactive)
fi
echo "Preparing the demo's Wine prefix ($PREFIX) ..."
"${WINE[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$managed" /f >/dev/null

set +e
(cd "$BUILD/win64/bin" &&
  MIVO_REFSERVICE_PORT="$PORT" MIVO_WINE_LIVE_OUTPUT=1 "${WINE[@]}" ./mivo-walkthrough.exe "${args[@]}")
rc=$?
set -e

echo
echo "The reference service ran at http://127.0.0.1:$PORT (HTTPS on $((PORT + 1))); its log: $SERVICE_STATE/log"
echo "The installable x64 folder is $BUILD/win64/dist/x64:"
(cd "$BUILD/win64/dist/x64" && ls -1 ./*.dll | sed 's|^\./|  |')
if [ "$rc" != 0 ]; then
  echo "demo: the walkthrough failed (exit code $rc)" >&2
fi
exit "$rc"
