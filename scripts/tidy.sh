#!/bin/bash
# clang-tidy with the naming zones of .clang-tidy (docs/DEVELOPING.md) on the
# files a change touches: by default every C++ file that differs from main,
# committed or not, or the files given. Each source is checked as its tree
# compiles it: portable ones through build/native, Windows ones through
# build/win64 (clang told the mingw-w64 target); a header through the
# touched sources that include it and the source of its name beside it.
# Only what is found in the touched files is reported. Exit code 1 when
# anything was found.
#
# Usage: scripts/tidy.sh [FILE...]
#   MIVO_TIDY_BASE    what the change is compared with (default main)
#   MIVO_BUILD_ROOT   the build folder (default build/); build the trees first
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${MIVO_BUILD_ROOT:-$ROOT/build}"
BASE="${MIVO_TIDY_BASE:-main}"
cd "$ROOT"

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <({ git diff --name-only --diff-filter=d "$BASE"...HEAD
                         git diff --name-only --diff-filter=d HEAD; } | sort -u)
fi
sources=()
headers=()
for f in "${files[@]}"; do
  case "$f" in
    *.cpp) sources+=("$f") ;;
    *.h) headers+=("$f") ;;
  esac
done
# A header is checked through the source beside it of the same name.
for h in "${headers[@]}"; do
  s="${h%.h}.cpp"
  [ -f "$s" ] && [[ " ${sources[*]} " != *" $s "* ]] && sources+=("$s")
done
[ ${#sources[@]} -eq 0 ] && { echo "tidy: no C++ file to check"; exit 0; }

# Diagnostics only in the touched files (paths relative to the root).
filter="$(printf '%s\n' "${files[@]}" | grep -E '\.(h|cpp)$' | sed 's/[.]/\\./g' | paste -sd'|')"

# clang finds the mingw-w64 C headers for its target, not the C++ library
# of the cross compiler: its search list is handed over.
mingw_includes=()
while read -r dir; do
  mingw_includes+=("--extra-arg=-isystem$dir")
done < <(x86_64-w64-mingw32-g++-posix -E -x c++ -v - </dev/null 2>&1 |
         sed -n '/search starts here:/,/End of search list/p' | grep '^ /.*/include/c++' |
         sed 's/^ //')

in_database() {  # tree, source
  grep -qF "\"file\": \"$ROOT/$2\"" "$BUILD/$1/compile_commands.json" 2>/dev/null
}

report=""
for s in "${sources[@]}"; do
  if in_database native "$s"; then
    args=(-p "$BUILD/native")
  elif in_database win64 "$s"; then
    args=(-p "$BUILD/win64" --extra-arg=--target=x86_64-w64-mingw32
          --extra-arg=-Wno-unknown-warning-option "${mingw_includes[@]}")
  else
    echo "tidy: $s is in no compile database (build its tree first); skipped"
    continue
  fi
  # Headers come as the compiler found them (a/b/../c.h): normalised first.
  out="$(clang-tidy --quiet "${args[@]}" --header-filter='.*' "$s" 2>/dev/null |
         perl -pe '1 while s{/[^/]+/\.\./}{/}' |
         grep -E "^$ROOT/($filter):[0-9]+:[0-9]+: (warning|error)" || true)"
  [ -n "$out" ] && report+="$(printf '%s\n' "$out" | sed "s|^$ROOT/||")"$'\n'
done
[ -z "$report" ] && exit 0
printf '%s' "$report" | sort -u
exit 1
