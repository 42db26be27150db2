#!/usr/bin/env bash
# The progress line of "vcsf live", against the camera that with-camera.sh started
# (two sessions): redrawn in place when standard error is a terminal, left out
# when it is not, the events on their own lines either way.
#   check-progress.sh EMULATOR VCSF_EXE
# The terminal is tmux's: what a user sees is its screen, as its own parser drew
# what Wine's console passed on, not the bytes.
set -uo pipefail
emulator=$1 exe=$2
work=$(mktemp -d)
server="vcsf-progress-$$"
trap 'tmux -L "$server" kill-server 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "check-progress: $*" >&2; exit 1; }
progress='[0-9]+\.[0-9] s +[0-9]+ bytes +[0-9]+\.[0-9]{2} Mbit/s'
live=("$emulator" "$exe" live --camera "127.0.0.1:$VCSF_CAMERA_PORT" --nic 127.0.0.1 --duration 2 -o /dev/null)

"${live[@]}" 2>"$work/plain" || fail "vcsf live failed ($?)"
grep -Eq "$progress" "$work/plain" && fail "a progress line went to a file"
grep -q "bytes written" "$work/plain" || fail "no end line without a terminal"

command -v tmux >/dev/null || fail "tmux is missing (scripts/setup installs it)"
command -v script >/dev/null || fail "script (bsdutils) is missing"
# script keeps the bytes that went through to the terminal.
tmux -L "$server" -f /dev/null new-session -d -x 120 -y 20 \
  "script -qec $(printf '%q' "$(printf '%q ' "${live[@]}")") $work/raw; echo \"exit \$?\" >$work/status; tmux wait-for -S finished; tmux wait-for captured"
tmux -L "$server" wait-for finished
tmux -L "$server" capture-pane -p >"$work/screen"
tmux -L "$server" wait-for -S captured
[ "$(cat "$work/status")" = "exit 0" ] || fail "vcsf live on a terminal: $(cat "$work/status")"
# The console redraws a character at a time; what it drew, without the escape sequences:
sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\x1b[^[]//g' "$work/raw" | tr '\r' '\n' >"$work/drawn"
grep -Eq "$progress" "$work/drawn" || fail "no progress line was drawn on the terminal"
sed '/^$/d' "$work/screen" >"$work/lines"
grep -Ev '^(# filter: .* \(beside vcsf\.exe\)|status 0x0000 \(no error\)|stream 352x240, .*|vcsf live: [0-9.]+ s, [0-9]+ bytes written)$' "$work/lines" &&
  fail "the screen holds more than the events: $(cat "$work/screen")"
[ "$(wc -l <"$work/lines")" = 4 ] || fail "the screen is not the four events: $(cat "$work/screen")"
echo "check-progress: $(grep -Ec "$progress" "$work/drawn") progress lines drawn on a terminal, none in a file; the screen holds the events alone"
