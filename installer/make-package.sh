#!/bin/bash
# Builds the package with wixl from MivoOutlook.wxs: the product's files are
# staged in a folder of their own, signed with osslsigncode when a
# certificate is given, packed, and the package is signed in turn.
#   make-package.sh [--per-machine] OUTPUT.msi VERSION WXS REGISTRATION.wxi CERTIFICATES KEY
#                   [FOLDER=]FILE...
# --per-machine makes the package for every user of a computer (HKLM,
# Program Files) from the same source; without it the package is per user.
# CERTIFICATES (signer first, then its chain) and KEY are PEM files, or both
# empty for an unsigned package. The files keep their names; FOLDER= stages
# a file in that subfolder (x64=.../MivoOIURL.dll, x86=.../MivoOIURL.dll).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
scope=perUser registry_root=HKCU
if [ "${1:-}" = --per-machine ]; then
  scope=perMachine registry_root=HKLM
  shift
fi
output="$(realpath -m "$1")" version="$2" wxs="$(realpath "$3")" registration="$(realpath "$4")" certificates="$5" key="$6"
shift 6
if { [ -n "$certificates" ] && [ -z "$key" ]; } || { [ -z "$certificates" ] && [ -n "$key" ]; }; then
  echo "make-package: a signing certificate needs its key and the other way round" >&2
  exit 2
fi

stage="$output.files"
rm -rf "$stage"
mkdir -p "$stage"
for argument in "$@"; do
  folder=. file="$argument"
  if [[ "$argument" == *=* ]]; then
    folder="${argument%%=*}" file="${argument#*=}"
  fi
  mkdir -p "$stage/$folder"
  staged="$stage/$folder/${file##*/}"
  cp "$file" "$staged"
  if [ -n "$certificates" ]; then
    "$ROOT/cmake/authenticode-sign.sh" "$certificates" "$key" "$staged" "$staged"
  fi
done

# wixl reports unknown attributes on stderr and goes on; any such report is
# an error here, so that a package never silently lacks what its source says.
# It finds the files only by paths relative to where it runs.
log="$output.wixl.log"
(cd "$stage" && wixl -a x64 -D Version="$version" -D Scope="$scope" -D RegistryRoot="$registry_root" \
  -D SourceDir=. -I "$(dirname "$registration")" -I "$ROOT/installer" \
  -o "$output.unsigned" "$wxs") 2>"$log" || { cat "$log" >&2; exit 1; }
if [ -s "$log" ]; then
  cat "$log" >&2
  rm -f "$output.unsigned"
  exit 1
fi
if [ -n "$certificates" ]; then
  "$ROOT/cmake/authenticode-sign.sh" "$certificates" "$key" "$output.unsigned" "$output"
  rm -f "$output.unsigned"
else
  mv -f "$output.unsigned" "$output"
fi
rm -rf "$stage" "$log"
