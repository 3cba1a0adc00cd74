#!/usr/bin/env bash
# Writes BASE.TABLE.csv beside every Access file here: each table as mdb-export (Debian package
# mdbtools) prints it, binary cells in hex. Spaces are dropped from the table's name in the file
# name. The tests compare every cell the program reads with these.
set -euo pipefail
cd "$(dirname "$0")"
command -v mdb-export >/dev/null || { echo "export-tables: install mdbtools" >&2; exit 1; }
for db in *.mdb *.accdb; do
  base=${db%.*}
  mdb-tables -1 "$db" | while IFS= read -r table; do
    [ -n "$table" ] || continue
    mdb-export -b hex "$db" "$table" > "$base.${table// /}.csv"
  done
done
