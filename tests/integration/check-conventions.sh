#!/usr/bin/env bash
# vcsf's command line as users of command-line tools expect it, without a camera:
#   check-conventions.sh EMULATOR VCSF_EXE
# Each subcommand's --help and --version print to standard output and end with 0;
# a missing --camera, conflicting options, a bad port and an endless duration end
# with 2 and name the option as it was typed; a value the filter refuses ends with
# 1, and with --json every line on standard error is a JSON object; system errors
# are in words.
set -uo pipefail
emulator=$1 exe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-conventions: $*" >&2; exit 1; }
# run STATUS TEXT ARGS...: the run ends with STATUS, and TEXT is in what it wrote.
run() {
  local want=$1 text=$2
  shift 2
  "$emulator" "$exe" "$@" >"$work/out" 2>"$work/err"
  local status=$?
  [ "$status" = "$want" ] || fail "vcsf $* ended with $status, not $want: $(cat "$work/out" "$work/err")"
  grep -qF -- "$text" "$work/out" "$work/err" || fail "vcsf $* did not say \"$text\": $(cat "$work/out" "$work/err")"
}

for sub in config probe live play info export; do
  run 0 "usage: vcsf $sub" "$sub" --help
  [ -s "$work/err" ] && fail "vcsf $sub --help wrote to standard error"
done
run 0 "usage: vcsf live" help live
"$emulator" "$exe" --version | grep -Eq '^vcsf [0-9]+\.[0-9]+' || fail "vcsf --version did not give the version"
run 2 "unknown subcommand 'frob'" frob
# The opt-in extensions are listed with their defaults, off.
"$emulator" "$exe" config >"$work/out" 2>/dev/null
for default in "VCSF_StallTimeOut 0" "VCSF_NotifyOnChange false" "VCSF_Reconnect false"; do
  tr -d '\r' <"$work/out" | tr -s ' ' | grep -qxF "$default" || fail "vcsf config did not list \"$default\""
done
run 2 "--stall-timeout with --reconnect takes up to 49 days" live --camera 127.0.0.1:23939 -o - --reconnect --stall-timeout 5000000

run 2 "--camera ADDRESS[:PORT] is required" live -o NUL
run 2 "--camera ADDRESS[:PORT] is required" probe
run 2 "--multicast receives a UDP group; it cannot go with --transport http" \
  live --camera=127.0.0.1:20999 --transport=http --multicast 239.255.77.1:34600 -o NUL
run 2 "--password is for the camera's HTTP session" live --camera 127.0.0.1:20999 --password x -o NUL
run 2 "--camera 127.0.0.1:99999: not ADDRESS[:PORT]" live --camera 127.0.0.1:99999 -o NUL
run 2 "--duration takes seconds above 0, up to a year" live --camera 127.0.0.1:20999 --duration inf -o NUL
run 2 "--json takes no value" live --camera 127.0.0.1:20999 --json=yes -o NUL

run 1 "--camera 127.0.0.1:4000 refused by the filter" live --camera 127.0.0.1:4000 --json -o NUL
while IFS= read -r line; do
  [[ $line == wine-run:* ]] && continue  # the test's emulator, not vcsf
  jq -e 'type == "object" and has("event")' <<<"$line" >/dev/null 2>&1 || fail "a line with --json is not a JSON event: $line"
done <"$work/err"
run 1 "refused by the filter" probe --camera 127.0.0.1:4000

run 2 "cannot create the recording folder" live --camera 127.0.0.1:20999 -o NUL --record "$work/missing/rec"
grep -Eq '\(error [0-9]+\)' "$work/err" && fail "a system error was given as a number: $(cat "$work/err")"
echo "check-conventions: help, version, required and conflicting options, JSON errors and system errors as users expect"
