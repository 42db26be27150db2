#!/usr/bin/env bash
# The progress line of "vcsf live", against the camera that with-camera.sh started
# (two sessions): redrawn in place when standard error is a terminal, left out
# when it is not, the events on their own lines either way.
#   check-progress.sh EMULATOR VCSF_EXE
set -uo pipefail
emulator=$1 exe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
progress='[0-9]+\.[0-9] s +[0-9]+ bytes +[0-9]+\.[0-9]{2} Mbit/s'
live=("$emulator" "$exe" live --camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1 --duration 2 -o /dev/null)

"${live[@]}" 2>"$work/plain" || { echo "check-progress: vcsf live failed ($?)" >&2; exit 1; }
grep -Eq "$progress" "$work/plain" && { echo "check-progress: a progress line went to a file" >&2; exit 1; }
grep -q "bytes written" "$work/plain" || { echo "check-progress: no end line without a terminal" >&2; exit 1; }

command -v script >/dev/null || { echo "check-progress: script (bsdutils) is missing" >&2; exit 1; }
# script gives the command a terminal and keeps what it wrote; the console draws
# with escape sequences, which are taken out before reading.
script -qec "$(printf '%q ' "${live[@]}")" "$work/typescript" </dev/null >/dev/null ||
  { echo "check-progress: vcsf live on a terminal failed" >&2; exit 1; }
sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\x1b[^[]//g' "$work/typescript" | tr '\r' '\n' >"$work/terminal"
grep -Eq "$progress" "$work/terminal" || { echo "check-progress: no progress line on a terminal" >&2; exit 1; }
grep -q "bytes written" "$work/terminal" || { echo "check-progress: no end line on a terminal" >&2; exit 1; }
echo "check-progress: $(grep -Ec "$progress" "$work/terminal") progress lines on a terminal, none in a file"
