#!/usr/bin/env bash
# vcsf live with the module registered and no module beside vcsf.exe: the filter
# must come through COM, and the stream must still be the camera's byte for byte.
# Run in a prefix of its own (in-private-prefix.sh), against with-camera.sh's camera:
#   check-registered-live.sh EMULATOR VCSF_EXE MODULE CLIP SECONDS
set -uo pipefail
emulator=$1 exe=$2 module=$3 clip=$4 seconds=$5
host=$(mktemp -d)
trap 'rm -rf "$host"' EXIT
cp "$exe" "$(dirname "$exe")/Minvault.dll" "$host/"
"$emulator" regsvr32 /s "Z:$module" || { echo "check-registered-live: regsvr32 failed" >&2; exit 1; }
out=$(bash "$(dirname "$0")/check-live.sh" "$emulator" "$host/$(basename "$exe")" "$clip" "$seconds")
status=$?
echo "$out"
[ "$status" = 0 ] || exit 1
first=$(head -1 <<<"$out" | tr -d '\r')
registered=$(winepath -w "$module" 2>/dev/null)
[ "$first" = "# filter: $registered (registered)" ] ||
  { echo "check-registered-live: the first line is \"$first\", not the registered module's" >&2; exit 1; }
