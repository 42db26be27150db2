#!/usr/bin/env bash
# Runs a command in a Wine prefix of its own, a copy of the project's, so that what
# the command registers never reaches the prefix that the other tests share:
#   in-private-prefix.sh COMMAND...
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
shared=$WINEPREFIX
private=$(mktemp -d)
export WINEPREFIX=$private
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$private"' EXIT
# The system folder's DLLs are only read: they are shared by hard links, the rest copied.
tar -C "$shared" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$private" -xf - || exit 1
cp -al "$shared/drive_c/windows/system32" "$private/drive_c/windows/" || exit 1
wineserver -p >/dev/null 2>&1 </dev/null
wine cmd /c exit >/dev/null 2>&1 </dev/null
"$@"
