#!/usr/bin/env bash
# Recording as a user runs it, against the camera that with-camera.sh started:
#   check-record.sh EMULATOR VCSF_EXE CLIP SECONDS [--damage|--restart|--stall] [LIVE_OPTION...]
# "vcsf live --record DIR" writes minute files; "vcsf info DIR" shows a recorded
# range that lies within the run; "vcsf export" gives back the camera's stream
# from its first key pack on (the clip's start), byte for byte. With --damage, a
# byte of the first unit's data is then flipped and the last file cut in its last
# unit, as a disk fault and a power loss would: info counts the units before the
# tear, info --check names the file of the damaged unit, export leaves it out, says
# so, and ends with status 1. With --restart, two runs record into one folder within
# one minute: the second continues the first's minute file, and export gives the
# first run's stream followed by the second's. With --stall, the recorder holds its
# first pack for two seconds: vcsf live says status 0x9006 and the gap, and ends
# with status 1; export gives the camera's stream from its start up to the gap,
# then from one of its key packs on (and so on, should the recorder fall behind again).
set -uo pipefail
emulator=$1 exe=$2 clip=$3 seconds=$4
shift 4
damage=0 restart=0 stall=0
[ "${1:-}" = --damage ] && { damage=1; shift; }
[ "${1:-}" = --restart ] && { restart=1; shift; }
[ "${1:-}" = --stall ] && { stall=1; shift; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-record: $*" >&2; exit 1; }
for _ in 1 2 3 4 5 6 7 8; do cat "$clip"; done >"$work/looped.ps"

# One run; its "vcsf live: N units, B bytes recorded in 1 minute file" into run_units and run_bytes.
record_run() {
  local out
  out=$("$emulator" "$exe" live --camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1 --duration "$seconds" \
    -o /dev/null --record "$work/rec" 2>&1) || fail "vcsf live run $1 failed ($?): $out"
  echo "$out"
  read -r run_units run_bytes < <(sed -n 's/^vcsf live: \([0-9]*\) units, \([0-9]*\) bytes recorded in 1 minute file.*/\1 \2/p' <<<"$out")
}
if [ "$restart" = 1 ]; then
  # Both runs within one minute of the camera's clock, which is this machine's.
  while [ $(($(date -u +%s) % 60)) -gt $((50 - 2 * seconds)) ]; do sleep 1; done
  record_run 1
  units1=${run_units:-0} bytes1=${run_bytes:-0}
  "$emulator" "$exe" export "$work/rec" "$work/first.ps" || fail "vcsf export after the first run failed ($?)"
  record_run 2
  units2=${run_units:-0} bytes2=${run_bytes:-0}
  [ "$units1" -gt 1 ] && [ "$units2" -gt 1 ] || fail "a run recorded fewer than two units in one file"
  "$emulator" "$exe" export "$work/rec" "$work/both.ps" || fail "vcsf export after the second run failed ($?)"
  [ "$(find "$work/rec" -name '*.vmf' | wc -l)" = 1 ] || fail "the runs wrote more than one minute file"
  [ "$(stat -c %s "$work/first.ps")" = "$bytes1" ] || fail "the first run's export is not its $bytes1 bytes"
  [ "$(stat -c %s "$work/both.ps")" = $((bytes1 + bytes2)) ] || fail "the export is not both runs' bytes"
  cmp -n "$bytes1" "$work/both.ps" "$work/first.ps" || fail "the first run's units changed"
  cmp -n "$bytes1" "$work/first.ps" "$work/looped.ps" || fail "the first run differs from the camera's stream"
  [ "$(od -An -tx1 -j "$bytes1" -N4 "$work/both.ps" | tr -d ' ')" = 000001ba ] ||
    fail "the second run's units do not follow at a pack"
  echo "check-record: $units1 + $units2 units, $bytes1 + $bytes2 bytes, in one minute file, in order"
  exit 0
fi

if [ "$stall" = 1 ]; then
  out=$("$emulator" "$exe" live --camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1 --duration "$seconds" \
    -o /dev/null --record "$work/rec" --stall-recorder 2 2>&1)
  status=$?
  echo "$out"
  [ "$status" = 1 ] || fail "vcsf live ended with status $status after a gap, not 1"
  grep -q "^status 0x9006 " <<<"$out" || fail "vcsf live did not say status 0x9006"
  grep -q "^vcsf live: the recording has a gap: " <<<"$out" || fail "vcsf live did not say the gap"
  "$emulator" "$exe" export "$work/rec" "$work/export.ps" || fail "vcsf export failed ($?)"
  # Stretch by stretch: the first is the camera's stream from its start, each one
  # after a gap the stream from a key pack, found in the clip's hex dump.
  hex=$(od -An -v -tx1 "$clip" | tr -d ' \n')
  at=0 from=0 gaps=0
  while gap=$(cmp -i "$at:$from" "$work/export.ps" "$work/looped.ps" 2>/dev/null | sed -n 's/.* byte \([0-9]*\),.*/\1/p')
        [ -n "$gap" ]; do
    # Packs on either side of a gap may begin alike (a start code, the clock's high
    # bits): the gap is at the start code in front of the first difference.
    next=$((at + gap - 1))
    for _ in $(seq 14); do
      [ "$(od -An -tx1 -j "$next" -N4 "$work/export.ps" | tr -d ' ')" = 000001ba ] && break
      next=$((next - 1))
    done
    [ "$next" -gt "$at" ] || fail "the recording from $at is not the camera's stream"
    want=$(od -An -v -tx1 -j "$next" -N 64 "$work/export.ps" | tr -d ' \n')
    key=$(grep -ob "$want" <<<"$hex" | head -1 | cut -d: -f1)
    [ -n "$key" ] && [ $((key % 2)) = 0 ] || fail "the bytes after the gap at $next are not in the clip"
    key=$((key / 2))
    [ "$(od -An -tx1 -j $((key + 14)) -N4 "$clip" | tr -d ' ')" = 000001bb ] ||
      fail "after the gap at $next the recording goes on at $key of the clip, not at a key pack"
    at=$next from=$key gaps=$((gaps + 1))
  done
  said=$(tr -d '\r' <<<"$out" | sed -n 's/^vcsf live: the recording has \([0-9]*\) gaps\{0,1\}$/\1/p')
  [ "$gaps" -ge 1 ] && [ "$said" = "$gaps" ] || fail "vcsf live said ${said:-no} gaps; the recording has $gaps"
  echo "check-record: $(stat -c %s "$work/export.ps") bytes, the camera's stream with $gaps gap(s), each up to a key pack"
  exit 0
fi

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
"$emulator" "$exe" export "$work/rec" - 2>/dev/null | cmp - "$work/export.ps" || fail "export to standard output differs from the file"
cmp -n "$size" "$work/export.ps" "$work/looped.ps" || fail "the recording differs from the camera's stream"
echo "check-record: $units units, $size bytes, the clip's stream from its start"
[ "$damage" = 1 ] || exit 0

# The first unit's data begin after the 32-byte header and its 64-byte frame head.
files=$(cd "$work/rec" && find . -name '*.vmf' | sort)
first=$work/rec/$(head -1 <<<"$files") last=$work/rec/$(tail -1 <<<"$files")
byte=$(od -An -tu1 -N1 -j 200 "$first" | tr -d ' ')
printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$first" bs=1 seek=200 conv=notrunc status=none
index_size=$(od -An -tu4 -N4 -j $(($(stat -c %s "$last") - 28)) "$last" | tr -d ' ')
truncate -s $(($(stat -c %s "$last") - 32 - 64 * index_size - 5)) "$last"
info=$("$emulator" "$exe" info "$work/rec") || fail "vcsf info failed on the damaged recording ($?)"
echo "$info"
grep -q "^torn      1 file" <<<"$info" || fail "info does not name the torn file"
after_units=$(sed -n 's/^units     \([0-9]*\),.*/\1/p' <<<"$info")
[ "$after_units" = $((units - 1)) ] || fail "info counts $after_units units after the tear, not $((units - 1))"
check=$("$emulator" "$exe" info --check "$work/rec" 2>/dev/null)
status=$?
echo "$check"
[ "$status" = 1 ] || fail "info --check of a damaged recording ended with status $status, not 1"
grep -q "^corrupt   1 unit's data fail their checksum" <<<"$check" || fail "info --check does not count the damaged unit"
grep -qF "$(basename "$first") (1)" <<<"$check" || fail "info --check does not name the damaged file"
"$emulator" "$exe" export "$work/rec" "$work/damaged.ps" 2>"$work/export.txt"
status=$?
cat "$work/export.txt"
[ "$status" = 1 ] || fail "export of a damaged recording ended with status $status, not 1"
grep -q "^vcsf export: $((units - 2)) units, " "$work/export.txt" || fail "export did not write the $((units - 2)) sound units"
grep -q "^vcsf export: 1 unit left out" "$work/export.txt" || fail "export does not name the unit it left out"
echo "check-record: the damaged unit left out and the torn one lost, the rest exported"
