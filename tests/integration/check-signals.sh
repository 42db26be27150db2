#!/usr/bin/env bash
# A TERM to scripts/vcsf stops "vcsf live" as Ctrl+C does, against the camera that
# with-camera.sh started:
#   check-signals.sh VCSF_SCRIPT waiting|streaming
# waiting: the camera took the live request but sends nothing; the wait for its
# first packet ends at once (the time-out is 25 s; the run must say it was
# interrupted, not that the time-out passed), with 1 and no file.
# streaming: the camera is told to stop, the summary is printed, the status is 0,
# and the file holds what was received.
set -uo pipefail
vcsf=$1 mode=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-signals: $*" >&2; exit 1; }
# until TEST: polls for what the run shows from outside, for at most 20 s.
until_() { for _ in $(seq 200); do eval "$1" && return 0; sleep 0.1; done; return 1; }

# term_when TEST LIVE_OPTION...: runs vcsf live through the script in the
# background, sends it a TERM once TEST holds, and leaves its status in $status.
term_when() {
  local test=$1
  shift
  bash "$vcsf" live --camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1 -o "$work/live.ps" "$@" 2>"$work/err" &
  local pid=$!
  until_ "$test" || fail "$mode: not seen: $test"
  kill -TERM "$pid"
  wait "$pid"
  status=$?
}

case $mode in
waiting)
  term_when 'grep -q "request live-start" "$VCSF_CAMERA_LOG"' --transport http --timeout 25000
  [ "$status" = 1 ] || fail "an interrupted wait ended with $status: $(cat "$work/err")"
  grep -q "interrupted while the filter waited for the camera" "$work/err" || fail "the interruption was not said: $(cat "$work/err")"
  [ -e "$work/live.ps" ] && fail "an interrupted wait made the file";;
streaming)
  term_when '[ -s "$work/live.ps" ]'
  [ "$status" = 0 ] || fail "a TERM ended the run with $status: $(cat "$work/err")"
  # A Windows program's text lines end in CR LF.
  tr -d '\r' <"$work/err" | grep -Eq "^vcsf live: [0-9.]+ s, $(stat -c %s "$work/live.ps") bytes written$" ||
    fail "no summary of the file's bytes: $(cat "$work/err")";;
*) fail "unknown mode $mode";;
esac
echo "check-signals: $mode: a TERM stopped vcsf live as Ctrl+C does"
