#!/usr/bin/env bash
# How "vcsf live" tells a stream that stops, against the camera that with-camera.sh
# started:
#   check-stream-end.sh EMULATOR VCSF_EXE silent|multicast-stop|http-status|http-close|http-stall [GROUP:PORT]
# silent: a unicast camera that falls silent for 6 s (two sessions): said after
# 3 s, and again when its data come back; --stall-timeout ends the run with 1;
# with --json every line is a JSON event, with a progress event each second that
# counts the time since the last data.
# multicast-stop: the camera's stop head ends the run with 1, said as such.
# http-status, http-close, http-stall: the end of the live body is said with its
# reason.
set -uo pipefail
emulator=$1 exe=$2 mode=$3 group=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-stream-end: $*" >&2; exit 1; }
camera=(--camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1)
live() { "$emulator" "$exe" live "${camera[@]}" -o "$work/live.ps" -y "$@" 2>"$work/err"; }
said() { grep -qF -- "$1" "$work/err" || fail "$mode: \"$1\" was not said: $(cat "$work/err")"; }

case $mode in
silent)
  live --duration 14
  [ $? = 0 ] || fail "a camera silent for a while failed the run: $(cat "$work/err")"
  said "vcsf live: no data from the camera for 3 s"
  said "vcsf live: data from the camera again after "
  live --duration 60 --stall-timeout 4 --json
  [ $? = 1 ] || fail "with --json, a silent camera did not end the run with 1"
  grep -v '^wine-run:' "$work/err" >"$work/events"  # the test's emulator, not vcsf
  while IFS= read -r line; do
    jq -e 'type == "object"' <<<"$line" >/dev/null 2>&1 || fail "not a JSON object: $line"
  done <"$work/events"
  jq -se 'map(select(.event == "silence")) | length == 1' "$work/events" >/dev/null || fail "no silence event"
  jq -se 'map(select(.event == "progress" and .since_data_seconds >= 3 and .bytes > 0)) | length >= 1' "$work/events" \
    >/dev/null || fail "no progress event counted the silence: $(cat "$work/err")"
  jq -se 'map(select(.event == "error")) | .[0].message | contains("--stall-timeout")' "$work/events" >/dev/null ||
    fail "the end by --stall-timeout was not an error event"
  jq -se '.[-1].event == "end"' "$work/events" >/dev/null || fail "the summary is not the last event";;
multicast-stop)
  camera+=(--multicast "$group")
  live --duration 60 &
  vcsf=$!
  for _ in $(seq 200); do [ -s "$work/live.ps" ] && break; sleep 0.1; done
  [ -s "$work/live.ps" ] || fail "no data from the group"
  printf '\x00\x04\x70\x02' >"/dev/udp/127.0.0.1/$VCSF_CAMERA_PORT"  # the camera's console: stop the multicast
  wait "$vcsf"
  [ $? = 1 ] || fail "the stop head did not end the run with 1: $(cat "$work/err")"
  said "vcsf live: the stream ended: the camera stopped its multicast stream";;
http-status)
  camera+=(--transport http)
  live --duration 60
  [ $? = 1 ] || fail "a status message did not end the run with 1: $(cat "$work/err")"
  said "vcsf live: the stream ended: the camera sent the status 0x8002";;
http-close)
  camera+=(--transport http)
  live --duration 60
  [ $? = 1 ] || fail "a closed body did not end the run with 1: $(cat "$work/err")"
  said "vcsf live: the stream ended: the camera's HTTP server closed the live body";;
http-stall)
  camera+=(--transport http)
  live --duration 60
  [ $? = 1 ] || fail "a stalled body did not end the run with 1: $(cat "$work/err")"
  said "vcsf live: no data from the camera for 3 s"
  said "vcsf live: the stream ended: the camera's HTTP server stalled: nothing came for ";;
*) fail "unknown mode $mode";;
esac
echo "check-stream-end: $mode: $(grep -c . "$work/err") lines, the end said"
