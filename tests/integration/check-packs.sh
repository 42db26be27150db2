#!/usr/bin/env bash
# Whether a program-stream file is whole packs from its first byte to its last:
#   check-packs.sh FILE
# Each pack opens with its header (MPEG-2: 14 bytes and the stuffing it states;
# MPEG-1: 12), then packets, each a start code and as many bytes as its 16-bit
# length says, up to the next pack or a program end code; the last one ends
# exactly where the file ends. Prints the count of packs, or where the walk failed.
set -uo pipefail
file=$1
od -An -v -tu1 "$file" | awk -v file="$file" '
  { for (i = 1; i <= NF; i++) b[n++] = $i }
  function fail(why) { printf "check-packs: %s: %s at byte %d of %d\n", file, why, pos, n; bad = 1; exit 1 }
  function code(at, id) {
    return at + 4 <= n && b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1 && (id < 0 || b[at + 3] == id)
  }
  END {
    if (bad) exit 1
    if (n == 0) { pos = 0; fail("no byte") }
    for (pos = 0; pos < n; ) {
      if (!code(pos, 186)) fail("no pack start code")
      if (int(b[pos + 4] / 64) == 1) header = 14 + (pos + 13 < n ? b[pos + 13] % 8 : 0)
      else if (int(b[pos + 4] / 16) == 2) header = 12
      else fail("a pack header of neither kind")
      if (pos + header > n) fail("a pack header cut short")
      pos += header; packs++
      while (code(pos, -1) && b[pos + 3] > 186) {
        if (pos + 6 > n) fail("a packet head cut short")
        next_pos = pos + 6 + b[pos + 4] * 256 + b[pos + 5]
        if (next_pos > n) fail(sprintf("a packet of stream 0x%02X cut short", b[pos + 3]))
        pos = next_pos
      }
      if (code(pos, 185)) pos += 4
    }
    printf "check-packs: %d packs, the last one whole at the end of %d bytes\n", packs, n
  }'
