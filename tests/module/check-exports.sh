#!/usr/bin/env bash
# A host finds a module's entry points by their plain names: the export table must
# hold exactly the names given, undecorated in both bitnesses.
#   check-exports.sh OBJDUMP BINARY NAME...
set -euo pipefail
objdump=$1 binary=$2
shift 2
exported=$("$objdump" -p "$binary" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' | sort)
wanted=$(printf '%s\n' "$@" | sort)
[ "$exported" = "$wanted" ] || { echo "$binary exports:"; echo "$exported"; echo "wanted:"; echo "$wanted"; exit 1; }
