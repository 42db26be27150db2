#!/usr/bin/env bash
# "vcsf page --screenshot" on the virtual display: the property frame opens with
# the page, the picture is a PNG of the size vcsf says, the frame closes by itself,
# and the configuration printed after it holds what the command line set.
#   check-page.sh EMULATOR VCSF_EXE
set -uo pipefail
emulator=$1 exe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-page: $*" >&2; cat "$work/err" >&2; exit 1; }

"$emulator" "$exe" page --screenshot "$work/page.png" VCSF_UserName=pictured >"$work/out" 2>"$work/err" </dev/null
status=$?
[ "$status" = 0 ] || fail "vcsf page ended with $status"
size=$(tr -d '\r' <"$work/err" | sed -nE 's/^vcsf page: the page pictured, ([0-9]+) x ([0-9]+) pixels, in .*/\1,\2/p')
[ -n "$size" ] || fail "vcsf page did not say that it pictured the page"
probed=$(ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$work/page.png")
[ "$probed" = "png,$size" ] || fail "the picture is '$probed', not a PNG of $size"
tr -d '\r' <"$work/out" | grep -Eq '^VCSF_UserName +pictured$' || fail "the configuration lacks the user name: $(cat "$work/out")"
"$emulator" "$exe" page --screenshot >/dev/null 2>"$work/err" </dev/null
[ "$?" = 2 ] || fail "a --screenshot without a file was not a usage error"
exit 0
