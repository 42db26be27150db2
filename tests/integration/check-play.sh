#!/usr/bin/env bash
# Playback as a user runs it, against the camera that with-camera.sh started:
#   check-play.sh EMULATOR VCSF_EXE SECONDS PAUSE
# Two "vcsf live --record DIR" runs of SECONDS, PAUSE seconds apart, make a
# recording with a gap. "vcsf play DIR -o FILE" gives every recorded unit in time
# order, byte for byte what "vcsf export" gives, across the gap, says the gap and
# the end (0x0601, 0x0501), exits 0, says the bytes the file holds, and ffprobe
# reads the file as the recorded stream, whole packs to its end. From a start
# inside the range it gives the units from the first key unit at or after the
# start on: a tail of the export that opens with a pack header.
set -uo pipefail
emulator=$1 exe=$2 seconds=$3 pause=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-play: $*" >&2; exit 1; }
vcsf() { "$emulator" "$exe" "$@"; }

for run in 1 2; do
  [ "$run" = 2 ] && sleep "$pause"
  vcsf live --camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1 --duration "$seconds" -o /dev/null \
    --record "$work/rec" >/dev/null 2>&1 || fail "vcsf live run $run failed ($?)"
done
vcsf export "$work/rec" "$work/export.ps" || fail "vcsf export failed ($?)"

out=$(vcsf play "$work/rec" -o "$work/play.ps" --speed 4 2>&1)
status=$?
echo "$out"
[ "$status" = 0 ] || fail "vcsf play ended with status $status"
grep -q "^status 0x0601 " <<<"$out" || fail "vcsf play did not say the gap"
grep -q "^vcsf play: a gap in the recording after " <<<"$out" || fail "vcsf play did not play on after the gap"
grep -q "^status 0x0501 " <<<"$out" || fail "vcsf play did not say the end"
cmp "$work/play.ps" "$work/export.ps" || fail "what vcsf play gave is not what vcsf export gives"
said=$(tr -d '\r' <<<"$out" | sed -n 's/^vcsf play: .* played in [0-9.]* s, \([0-9]*\) bytes written, .*/\1/p')
[ "$said" = "$(stat -c %s "$work/play.ps")" ] || fail "vcsf play said it wrote \"$said\" bytes, not the file's"
bash "$(dirname "$0")/check-packs.sh" "$work/play.ps" || exit 1
ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$work/play.ps" | grep -q '^mpeg2video,352,240' ||
  fail "ffprobe does not read the played stream as the recorded 352x240 MPEG-2 video"
echo "check-play: $(stat -c %s "$work/play.ps") bytes played across the gap, as exported"

earliest=$(vcsf info "$work/rec" | tr -d '\r' | sed -n 's/^earliest  \(.*\) UTC$/\1/p')
from=$(date -u -d "@$(($(date -u -d "$earliest" +%s) + 2))" +%Y-%m-%dT%H:%M:%SZ)
out=$(vcsf play "$work/rec" -o "$work/from.ps" --from "$from" --speed 4 --json 2>&1)
status=$?
echo "$out"
[ "$status" = 0 ] || fail "vcsf play --from $from ended with status $status"
end=$(grep '"event":"end"' <<<"$out")
grep -qF "\"first\":\"$from\"" <<<"$end" || fail "playback from $from did not open with a unit of $from"
size=$(stat -c %s "$work/from.ps") whole=$(stat -c %s "$work/export.ps")
[ "$size" -gt 0 ] && [ "$size" -lt "$whole" ] || fail "playback from $from gave $size of $whole bytes"
cmp -i "$((whole - size)):0" "$work/export.ps" "$work/from.ps" || fail "playback from $from is not the export's tail"
[ "$(od -An -tx1 -N4 "$work/from.ps" | tr -d ' ')" = 000001ba ] || fail "playback from $from does not open with a pack"
echo "check-play: from $from, the last $size bytes of the export"
