#!/usr/bin/env bash
# Runs one test program against vcsf-camera running natively on loopback:
#   with-camera.sh CAMERA [--env NAME] [--expect TEXT]... -- CAMERA_ARGS... -- COMMAND...
# The camera's command port (unicast, or multicast with --stop-on-request) or its
# HTTP port reaches the test in NAME_PORT, its log's path in NAME_LOG; NAME_TLS is
# set for --tls. NAME is VCSF_CAMERA unless given; a test against several cameras
# nests this script with a NAME for each. After the
# test, the camera's standard input closes, which ends it; each TEXT must then
# start a line of its log. The status is the test's, or 1 for a missing line.
set -uo pipefail
camera=$1
shift
env=VCSF_CAMERA
if [ "${1:-}" = "--env" ]; then env=$2; shift 2; fi
expect=()
while [ "${1:-}" = "--expect" ]; do expect+=("$2"); shift 2; done
[ "${1:-}" = "--" ] || { echo "with-camera: -- expected before the camera's arguments" >&2; exit 2; }
shift
camera_args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do camera_args+=("$1"); shift; done
shift
[ -x "$camera" ] || { echo "with-camera: $camera is not built (cmake --build --preset native-bench --target vcsf-camera)" >&2; exit 2; }

log=$(mktemp)
trap 'rm -f "$log"' EXIT
export "${env}_LOG=$log"  # for the cases that wait for something the camera did
coproc CAMERA { exec "$camera" "${camera_args[@]}" --log "$log" --end-on-stdin-eof 2>&1; }
# Copies: a coprocess's own descriptors do not reach background jobs.
camera_pid=$CAMERA_PID
exec {camera_out}<&"${CAMERA[0]}" {camera_in}>&"${CAMERA[1]}"
eval "exec ${CAMERA[0]}<&- ${CAMERA[1]}>&-"
if [ "${camera_args[0]}" = "unicast" ] || [[ " ${camera_args[*]} " == *" --stop-on-request "* ]]; then
  read -r -t 20 first <&"$camera_out" || { echo "with-camera: the camera did not start" >&2; exit 1; }
  export "${env}_PORT=${first#command port }"
elif [ "${camera_args[0]}" = "http" ]; then
  read -r -t 20 first <&"$camera_out" || { echo "with-camera: the camera did not start" >&2; exit 1; }
  export "${env}_PORT=${first#http port }"
  [[ " ${camera_args[*]} " == *" --tls "* ]] && export "${env}_TLS=1"
fi
cat <&"$camera_out" >/dev/null &   # its standard output must not fill up

"$@"
status=$?

{ exec {camera_in}>&-; } 2>/dev/null  # not the script's own stderr
wait "$camera_pid"
for text in "${expect[@]}"; do
  grep -q -- "^$text" "$log" || { echo "with-camera: the camera's log has no line \"$text\"" >&2; status=1; }
done
[ "$status" -eq 0 ] || { echo "== the camera's log:"; cat "$log"; } >&2
exit "$status"
