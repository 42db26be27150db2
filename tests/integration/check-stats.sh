#!/usr/bin/env bash
# "vcsf live --stats --json" against the camera that with-camera.sh started, one
# that sends datagrams with a wrong identifier:
#   check-stats.sh EMULATOR VCSF_EXE
# A stats event comes each second with counters that never go down, and the end
# event carries the run's own: the datagrams and their bytes, the wrong
# identifiers, and the main pin's bytes, no fewer than were written to the file.
set -uo pipefail
emulator=$1 exe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-stats: $*" >&2; exit 1; }

"$emulator" "$exe" live --camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1 --duration 4 --stats --json \
  -o "$work/live.ps" 2>"$work/err"
status=$?
[ "$status" = 0 ] || fail "vcsf live ended with $status: $(cat "$work/err")"
grep -v '^wine-run:' "$work/err" >"$work/events"  # the test's emulator, not vcsf
jq -s -e 'all(type == "object" and has("event"))' "$work/events" >/dev/null ||
  fail "a line on standard error is not a JSON event: $(cat "$work/events")"

counters='["received","received_bytes","packet_gaps","wrong_identifiers","short_or_dropped","ring_overflows",
           "recording_overflows","reconnections","main_pin_bytes","recording_pin_bytes"]'
jq -s -e --argjson names "$counters" '
  [.[] | select(.event == "stats")] as $stats
  | ($stats | length) >= 2
    and all($stats[]; . as $s | all($names[]; ($s[.] | type) == "number"))
    and all(range(1; $stats | length); . as $i | all($names[]; $stats[$i][.] >= $stats[$i - 1][.]))' \
  "$work/events" >/dev/null || fail "no stats event each second with counters that only grow: $(cat "$work/events")"

size=$(stat -c %s "$work/live.ps")
jq -s -e --argjson size "$size" '
  (map(select(.event == "stats")) | last) as $last
  | map(select(.event == "end")) | length == 1 and (.[0] as $e | $e.stats as $s
  | $e.bytes == $size and $s.received >= $last.received and $s.received > 0
    and $s.received_bytes > $s.main_pin_bytes and $s.main_pin_bytes >= $e.bytes
    and $s.wrong_identifiers > 0 and $s.wrong_identifiers < $s.received
    and $s.ring_overflows == 0 and $s.recording_pin_bytes == 0
    and ($s.ms_since_stream_data | type) == "number" and $s.last_reconnect_cause == "0x0000")' \
  "$work/events" >/dev/null || fail "the end event does not sum up the run: $(tail -n 3 "$work/events")"
echo "check-stats: a stats event each second and the run's counters in the end event"
