#!/usr/bin/env bash
# Recording as a user runs it, against the camera that with-camera.sh started:
#   check-record.sh EMULATOR VCSF_EXE CLIP SECONDS [LIVE_OPTION...]
# "vcsf live --record DIR" writes minute files; "vcsf info DIR" shows a recorded
# range that lies within the run; "vcsf export" gives back the camera's stream
# from its first key pack on (the clip's start), byte for byte.
set -uo pipefail
emulator=$1 exe=$2 clip=$3 seconds=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-record: $*" >&2; exit 1; }

before=$(date -u +%s)
"$emulator" "$exe" live --camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1 --duration "$seconds" \
  -o "$work/live.ps" --record "$work/rec" "$@" || fail "vcsf live failed ($?)"
after=$(date -u +%s)
info=$("$emulator" "$exe" info "$work/rec") || fail "vcsf info failed ($?)"
echo "$info"
earliest=$(date -u -d "$(sed -n 's/^earliest  //p' <<<"$info")" +%s) || fail "no earliest time"
latest=$(date -u -d "$(sed -n 's/^latest    //p' <<<"$info")" +%s) || fail "no latest time"
[ "$earliest" -ge $((before - 1)) ] && [ "$earliest" -le "$latest" ] && [ "$latest" -le $((after + 1)) ] ||
  fail "the recorded range $earliest to $latest is not within the run, $before to $after"
units=$(sed -n 's/^units     \([0-9]*\), \([0-9]*\) bytes.*/\1/p' <<<"$info")
[ "${units:-0}" -gt 1 ] || fail "fewer than two units recorded"

"$emulator" "$exe" export "$work/rec" "$work/export.ps" || fail "vcsf export failed ($?)"
size=$(stat -c %s "$work/export.ps")
bytes=$(sed -n 's/^units     [0-9]*, \([0-9]*\) bytes.*/\1/p' <<<"$info")
[ "$size" = "$bytes" ] || fail "export wrote $size bytes, info counted $bytes"
for _ in 1 2 3 4 5 6 7 8; do cat "$clip"; done >"$work/looped.ps"
cmp -n "$size" "$work/export.ps" "$work/looped.ps" || fail "the recording differs from the camera's stream"
echo "check-record: $units units, $size bytes, the clip's stream from its start"
