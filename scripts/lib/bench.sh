# Shared by the benchmark scripts (source it): run_benchmark builds the native
# and win64 trees (win32 with MIVO_BENCH_TREE=win32), starts the reference
# service on loopback, runs one benchmark program from that tree's bin/ under
# Wine and stops both again.
#
# The programs run in the benchmarks' own Wine prefix (build/<tree>/wine-bench),
# whose windows are not managed: under Xvfb no window manager answers Wine's
# focus requests, and every dialog that closes would otherwise wait about 2 s
# for one, which is not what a Windows desktop does.
#
# run_benchmark STATE-NAME PROGRAM [ARGUMENTS...]
#   STATE-NAME   folder under the build root for the service's state and log
#   MIVO_BUILD_ROOT, MIVO_REFSERVICE_PORT as for scripts/build.sh
#   MIVO_BENCH_TREE   win64 (default) or win32: the x86 build of the program;
#                     where Wine cannot start 32-bit programs it says so and
#                     measures nothing

run_benchmark() {
  local state_name="$1" program="$2"
  shift 2
  local root build port tree
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
  build="${MIVO_BUILD_ROOT:-$root/build}"
  port="${MIVO_REFSERVICE_PORT:-47380}"
  tree="${MIVO_BENCH_TREE:-win64}"

  "$root/scripts/build.sh" native "$tree"

  BENCH_SERVICE="$build/native/testing/refservice/mivo-refservice"
  BENCH_STATE="$build/$state_name"
  BENCH_PREFIX="$build/$tree/wine-bench"
  BENCH_ROOT="$root"
  BENCH_PORT="$port"
  local wine=("$root/cmake/wine-run.sh" "$BENCH_PREFIX")
  if [ "$tree" = win32 ] && ! "${wine[@]}" "$build/win32/bin/wine32_probe.exe" >/dev/null 2>&1; then
    "$root/cmake/wine-stop.sh" "$BENCH_PREFIX"
    echo "NOT MEASURED: Wine cannot start a 32-bit program on this machine"
    return 0
  fi

  "$root/cmake/refservice-ctl.sh" start "$BENCH_SERVICE" "$port" "$BENCH_STATE"
  trap '"$BENCH_ROOT/cmake/refservice-ctl.sh" stop "$BENCH_SERVICE" "$BENCH_PORT" "$BENCH_STATE";
        "$BENCH_ROOT/cmake/wine-stop.sh" "$BENCH_PREFIX"' EXIT
  "${wine[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  (cd "$build/$tree/bin" && MIVO_REFSERVICE_PORT="$port" "${wine[@]}" "./$program" "$@")
}
