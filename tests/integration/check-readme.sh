#!/usr/bin/env bash
# Runs every "$ COMMAND" line of the README's code blocks, in order, in one shell,
# from a folder that looks like the repository's top (its scripts, build and assets
# linked in), as a user would copy them: each must end with status 0. After a
# camera put in the background with "--port N" (one that listens: not multicast),
# the next waits until that port is open, as a user would see the camera start.
#   check-readme.sh TOP
set -uo pipefail
top=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
# On a failure the simulators' logs (the README sends them to *.log) say more.
fail() {
  echo "check-readme: $*" >&2
  for log in "$work"/*.log; do [ -f "$log" ] && { echo "== $log"; cat "$log"; }; done
  exit 1
}
for entry in scripts build assets; do ln -s "$top/$entry" "$work/$entry"; done
cd "$work" || exit 1

listening() { ss -Hlntu | awk '{ print $5 }' | grep -q ":$1\$"; }
count=0
while IFS= read -r command; do
  count=$((count + 1))
  echo "\$ $command"
  eval "$command" >"$work/.out" 2>&1
  status=$?
  head -c 2000 "$work/.out"
  [ "$status" = 0 ] || fail "README command $count ended with $status: $command"
  if [[ $command == *'&' && $command != *multicast* && $command =~ --port\ ([0-9]+) ]]; then
    port=${BASH_REMATCH[1]}
    for _ in $(seq 100); do listening "$port" && break; sleep 0.1; done
    listening "$port" || fail "nothing listens on port $port after: $command"
  fi
done < <(awk '/^ *```/ { inside = !inside; next } inside && /^ *\$ / { sub(/^ *\$ /, ""); print }' "$top/README.md")
[ "$count" -gt 0 ] || fail "the README holds no command"
echo "check-readme: the README's $count commands ran"
