#!/usr/bin/env bash
# A user's file survives a run that fails before its first byte:
#   check-output.sh EMULATOR VCSF_EXE
# An existing file is refused without -y (exit 2, the file named), and with -y it
# is still kept as it was when the run gets nothing to write: an export of a
# folder that is not there, a live run against a camera that does not answer.
# The null device needs no -y.
set -uo pipefail
emulator=$1 exe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-output: $*" >&2; exit 1; }
vcsf() { "$emulator" "$exe" "$@"; }
kept() { [ "$(cat "$work/mine.ps")" = "keep me" ] || fail "$1 destroyed the existing file"; }

echo "keep me" >"$work/mine.ps"
out=$(vcsf export "$work/missing" "$work/mine.ps" 2>&1)
[ $? = 2 ] || fail "export over an existing file without -y did not end with 2"
grep -qF "mine.ps exists; give -y (--overwrite) to replace it" <<<"$out" || fail "the refusal did not name the file: $out"
kept "export without -y"
vcsf export -y "$work/missing" "$work/mine.ps" >/dev/null 2>&1 && fail "export of a missing folder succeeded"
kept "export -y of a missing folder"
out=$(vcsf live --camera 127.0.0.1:20999 --nic 127.0.0.1 --timeout 500 --duration 2 -o "$work/mine.ps" 2>&1)
[ $? = 2 ] || fail "live over an existing file without -y did not end with 2: $out"
kept "live without -y"
out=$(vcsf live --camera 127.0.0.1:20999 --nic 127.0.0.1 --timeout 500 --duration 2 -y -o "$work/mine.ps" 2>&1)
grep -q "no packet from the camera" <<<"$out" || fail "live -y did not wait for the camera: $out"
kept "live -y against a camera that does not answer"
vcsf export "$work/missing" /dev/null 2>&1 | grep -q "exists" && fail "the null device was taken for a file"
echo "check-output: the existing file was kept through each run"
