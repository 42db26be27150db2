#!/usr/bin/env bash
# Live view as a user runs it, against the camera that with-camera.sh started:
#   check-live.sh EMULATOR VCSF_EXE CLIP SECONDS [--once] [LIVE_OPTION...]
# The file that "vcsf live" writes must be the camera's stream from its first
# unit on, in order, with nothing missing, repeated or added (the camera loops the
# clip; what was still on its way at the stop is cut), ending at a whole pack, as
# many bytes as vcsf says it wrote, and ffprobe must read it as an MPEG program
# stream with the clip's video. The packs file that --record-packs writes must
# hold the same stream cut into packs, each behind its length and its 24-byte
# head. With --once (a camera that sends the clip once and falls silent) the
# packs must be the whole clip but its last pack, whose end never comes.
set -uo pipefail
emulator=$1 exe=$2 clip=$3 seconds=$4
shift 4
once=0
[ "${1:-}" = --once ] && { once=1; shift; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=$("$emulator" "$exe" live --camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1 --duration "$seconds" \
  -o "$work/live.ps" --record-packs "$work/packs.bin" "$@" 2>&1)
status=$?
echo "$out"
[ "$status" = 0 ] || { echo "check-live: vcsf live failed ($status)" >&2; exit 1; }
size=$(stat -c %s "$work/live.ps")
[ "$size" -gt 0 ] || { echo "check-live: nothing was written" >&2; exit 1; }
said=$(tr -d '\r' <<<"$out" | sed -n 's/^vcsf live: [0-9.]* s, \([0-9]*\) bytes written$/\1/p')
[ "$said" = "$size" ] || { echo "check-live: vcsf said it wrote \"$said\" bytes; the file has $size" >&2; exit 1; }
bash "$(dirname "$0")/check-packs.sh" "$work/live.ps" || exit 1
for _ in 1 2 3 4 5 6 7 8; do cat "$clip"; done >"$work/looped.ps"
cmp -n "$size" "$work/live.ps" "$work/looped.ps" || { echo "check-live: the stream differs from the clip" >&2; exit 1; }
command -v ffprobe >/dev/null || { echo "check-live: ffprobe is missing (scripts/setup installs it)" >&2; exit 1; }
probed=$(ffprobe -v error -show_entries format=format_name:stream=codec_name,width,height -of csv=p=0 "$work/live.ps")
want=$(ffprobe -v error -show_entries format=format_name:stream=codec_name,width,height -of csv=p=0 "$clip")
[ "$probed" = "$want" ] || { echo "check-live: ffprobe read \"$probed\", the clip is \"$want\"" >&2; exit 1; }

# The packs file: LENGTH (u32, little-endian), HEAD (24 bytes), PACK, again and again.
records=$(stat -c %s "$work/packs.bin") offset=0 count=0
: >"$work/packs.ps"
while [ "$offset" -lt "$records" ]; do
  length=$(od -An -tu4 -N4 -j "$offset" "$work/packs.bin" | tr -d ' ')
  [ -n "$length" ] && [ "$length" -gt 28 ] && [ $((offset + 4 + length)) -le "$records" ] ||
    { echo "check-live: a record of the packs file at $offset is cut or too short" >&2; exit 1; }
  code=$(od -An -tx1 -N4 -j $((offset + 28)) "$work/packs.bin" | tr -d ' ')
  [ "$code" = 000001ba ] || { echo "check-live: record $count does not hold a pack ($code)" >&2; exit 1; }
  tail -c +$((offset + 29)) "$work/packs.bin" | head -c $((length - 24)) >>"$work/packs.ps"
  offset=$((offset + 4 + length)) count=$((count + 1))
done
packed=$(stat -c %s "$work/packs.ps")
[ "$count" -gt 0 ] || { echo "check-live: no pack was recorded" >&2; exit 1; }
cmp -n "$packed" "$work/packs.ps" "$work/looped.ps" || { echo "check-live: the packs differ from the clip" >&2; exit 1; }
if [ "$once" = 1 ]; then
  # The last pack start code in the clip, from its hex dump (even positions are byte boundaries).
  last=$(od -An -v -tx1 "$clip" | tr -d ' \n' | grep -ob 000001ba | cut -d: -f1 | awk '$1 % 2 == 0' | tail -1)
  [ "$packed" = $((last / 2)) ] ||
    { echo "check-live: $packed bytes of packs recorded; the clip's packs but the last are $((last / 2))" >&2; exit 1; }
fi
echo "check-live: $size bytes, the clip's stream from its start; ffprobe: $probed; $count packs of it recorded"
