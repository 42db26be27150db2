#!/usr/bin/env bash
# The module and the host program may import only DLLs that every Windows has:
# the C and C++ runtimes are linked in.
set -euo pipefail
objdump=$1; shift
# Minvault.dll is our own minute-file library, shipped beside the program; bcrypt.dll
# (the system's cryptography, for HTTP Digest) and windowscodecs.dll (the imaging
# codecs, for vcsf page's PNG) are on every Windows since Vista.
allowed='^(minvault|msvcrt|kernel32|advapi32|ole32|oleaut32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|ws2_32|wininet|bcrypt|windowscodecs|version|api-ms-win-crt-[a-z0-9-]+)\.dll$'
status=0
for binary in "$@"; do
  dlls=$("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
  [ -n "$dlls" ] || { echo "$binary: no imports found"; status=1; continue; }
  while read -r dll; do
    lower=$(tr 'A-Z' 'a-z' <<<"$dll")
    if ! [[ $lower =~ $allowed ]]; then echo "$binary imports $dll"; status=1; fi
  done <<<"$dlls"
done
exit $status
