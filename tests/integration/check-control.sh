#!/usr/bin/env bash
# Commands while playing, as a user types them, against the camera that
# with-camera.sh started:
#   check-control.sh EMULATOR VCSF_EXE SECONDS
# A "vcsf live --record DIR" run of SECONDS makes a recording. "rate 4" on
# standard input plays it at four times its pace (the time played against the
# recorded time, in one run) and still gives every unit once, as "vcsf export"
# does. "seek TIME" to its middle makes the output go on from the first key unit
# at or after TIME: its end is what "vcsf play --from TIME" gives, a tail of the
# export, and the pack the seek cut short is not left in the file. Pause and run are applied, a malformed command is said and playback
# goes on; stop ends playback early with status 0, and the file it leaves is
# whole packs to its end.
set -uo pipefail
emulator=$1 exe=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-control: $*" >&2; exit 1; }
vcsf() { "$emulator" "$exe" "$@"; }
field() { sed -n "s/.*\"$1\":\([0-9.]*\).*/\1/p" <<<"$2"; }

vcsf live --camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1 --duration "$seconds" -o /dev/null \
  --record "$work/rec" >/dev/null 2>&1 || fail "vcsf live failed ($?)"
vcsf export "$work/rec" "$work/export.ps" || fail "vcsf export failed ($?)"

out=$(printf 'speed up\npause\nrun\nrate 4\n' | vcsf play "$work/rec" -o "$work/rate.ps" --control - --json 2>&1)
status=$?
echo "$out"
[ "$status" = 0 ] || fail "vcsf play with rate 4 ended with status $status"
grep -qF '"command":"speed up","result":"refused' <<<"$out" || fail "the malformed command was not said"
for command in pause run "rate 4"; do
  grep -qF "\"command\":\"$command\",\"result\":\"ok\"" <<<"$out" || fail "$command was not applied"
done
cmp "$work/rate.ps" "$work/export.ps" || fail "what played at rate 4 is not what vcsf export gives"
end=$(grep '"event":"end"' <<<"$out")
media=$(field media_seconds "$end") played=$(field played_seconds "$end")
awk -v m="$media" -v p="$played" 'BEGIN { exit !(m > 0 && p / m < 0.4) }' ||
  fail "at rate 4, $played s played $media s of the recording"
echo "check-control: rate 4 played $media s of the recording in $played s"

earliest=$(vcsf info "$work/rec" | tr -d '\r' | sed -n 's/^earliest  \(.*\) UTC$/\1/p')
middle=$(date -u -d "@$(($(date -u -d "$earliest" +%s) + seconds / 2))" +%Y-%m-%dT%H:%M:%SZ)
vcsf play "$work/rec" -o "$work/from.ps" --from "$middle" --speed 4 >/dev/null 2>&1 || fail "vcsf play --from failed"
# The seek comes once playback has written something: it cuts a pack short.
seek_once_playing() {
  for _ in $(seq 200); do [ -s "$work/seek.ps" ] && break; sleep 0.05; done
  printf 'seek %s\n' "$middle"
}
out=$(seek_once_playing | vcsf play "$work/rec" -o "$work/seek.ps" --control - --speed 2 2>&1)
status=$?
echo "$out"
[ "$status" = 0 ] || fail "vcsf play with a seek ended with status $status"
grep -qF "vcsf play: control: seek $middle: ok" <<<"$out" || fail "the seek was not applied"
size=$(stat -c %s "$work/from.ps") seek=$(stat -c %s "$work/seek.ps") whole=$(stat -c %s "$work/export.ps")
[ "$size" -gt 0 ] && [ "$seek" -ge "$size" ] || fail "the seek gave $seek bytes, playback from $middle $size"
cmp -i "$((seek - size)):0" "$work/seek.ps" "$work/from.ps" || fail "after the seek, the output is not playback from $middle"
bash "$(dirname "$0")/check-packs.sh" "$work/seek.ps" || fail "the pack cut by the seek stayed in the file"
cmp -i "$((whole - size)):0" "$work/export.ps" "$work/from.ps" || fail "playback from $middle is not the export's tail"
echo "check-control: after the seek to $middle, the last $size bytes of the export"

out=$(printf 'stop\n' | vcsf play "$work/rec" -o "$work/stop.ps" --control - 2>&1)
status=$?
[ "$status" = 0 ] || fail "vcsf play told to stop ended with status $status"
grep -qF "vcsf play: control: stop: ok" <<<"$out" || fail "stop was not said"
stopped=$(stat -c %s "$work/stop.ps" 2>/dev/null || echo 0)  # no file before its first byte
[ "$stopped" -lt "$whole" ] || fail "told to stop at once, vcsf play still wrote the whole recording"
[ "$stopped" = 0 ] || cmp -n "$stopped" "$work/stop.ps" "$work/export.ps" || fail "what played before the stop is not the export's head"
[ "$stopped" = 0 ] || bash "$(dirname "$0")/check-packs.sh" "$work/stop.ps" || exit 1
echo "check-control: stopped at once after $stopped bytes"
