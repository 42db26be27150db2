#!/usr/bin/env bash
# "vcsf live --reconnect --record" against a camera that goes away 5 s into the
# stream and comes back 3 s later: the run lasts to its end (exit 0), says the
# reconnection, and the minute files hold units recorded before the outage and
# after it.
#   check-reconnect.sh EMULATOR VCSF_EXE CAMERA_EXE CLIP unicast|multicast [GROUP:PORT]
# unicast: the camera is killed and started again on the same port.
# multicast: the sender sends its stop head and ends; another takes the group up.
set -uo pipefail
emulator=$1 exe=$2 camera_exe=$3 clip=$4 mode=$5 group=${6:-}
work=$(mktemp -d)
camera=
cleanup() { [ -n "$camera" ] && kill -9 "$camera" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "check-reconnect: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }

start_camera() {  # PORT|GROUP:PORT LOG; the camera's command port in $command_port
  local where=$1 log=$2
  if [ "$mode" = unicast ]; then
    "$camera_exe" unicast --input "$clip" --bind 127.0.0.1 --port "$where" --sessions 0 --rate 4000000 --log "$log" \
      >/dev/null 2>&1 </dev/null &
  else
    "$camera_exe" multicast --input "$clip" --group "${where%:*}" --port "${where#*:}" --interface 127.0.0.1 \
      --bind 127.0.0.1 --stop-on-request --rate 4000000 --log "$log" >/dev/null 2>&1 </dev/null &
  fi
  camera=$!
  for _ in $(seq 200); do grep -q '^command port' "$log" 2>/dev/null && break; sleep 0.1; done
  command_port=$(sed -n 's/^command port //p' "$log")
  [ -n "$command_port" ] || fail "the camera did not start"
}

if [ "$mode" = unicast ]; then
  start_camera 0 "$work/camera1.log"
  where=$command_port
  link=(--camera "127.0.0.1:$where")
else
  where=$group
  start_camera "$where" "$work/camera1.log"
  link=(--camera 127.0.0.1 --multicast "$where")
fi
"$emulator" "$exe" live "${link[@]}" --nic 127.0.0.1 --reconnect --record "$work/rec" \
  -o "$work/live.ps" --duration 20 --stats 2>"$work/err" &
vcsf=$!
for _ in $(seq 300); do [ -s "$work/live.ps" ] && break; sleep 0.1; done
[ -s "$work/live.ps" ] || fail "no data from the camera"
# The outage's timeline: the camera streams 5 s, is gone 3 s, and comes back.
sleep 5
if [ "$mode" = unicast ]; then
  kill -9 "$camera"
else
  printf '\x00\x04\x70\x02' >"/dev/udp/127.0.0.1/$command_port"  # the camera's console: stop the multicast
fi
wait "$camera" 2>/dev/null
killed=$(date -u +%s)
sleep 3
restarted=$(date -u +%s)
start_camera "$where" "$work/camera2.log"
wait "$vcsf"
status=$?
[ "$status" = 0 ] || fail "the run ended with $status"
grep -q "status 0x9010 (the camera link broke: reconnecting)" "$work/err" || fail "the reconnection was not said"
grep -q "status 0x0000 (no error)" <(sed -n '/0x9010/,$p' "$work/err") || fail "the recovery was not said"
tail -n 3 "$work/err" | grep -Eq "reconnections [1-9]" || fail "the summary counted no reconnection"
[ "$mode" = multicast ] || grep -q '^request start' "$work/camera2.log" || fail "the restarted camera got no start request"
[ "$mode" = unicast ] || grep -q '^sent multicast-stop' "$work/camera1.log" || fail "the sender sent no stop head"

"$emulator" "$exe" info "$work/rec" >"$work/info" 2>&1 || fail "vcsf info failed: $(cat "$work/info")"
seconds() { date -u -d "$(sed -n "s/^$1 *//p" "$work/info")" +%s; }
earliest=$(seconds earliest) latest=$(seconds latest)
[ "$earliest" -lt "$killed" ] || fail "no unit from before the kill: $(cat "$work/info")"
[ "$latest" -gt "$restarted" ] || fail "no unit from after the restart: $(cat "$work/info")"
exit 0
