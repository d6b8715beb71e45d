#!/usr/bin/env bash
# Time and peak memory of `kirva-cli import` of a FARACUN CSV (the dump of a demo book) into a new data file,
# against the sqlite3 shell's .import of the same CSV into a new database of the same schema with its
# indexes, in the same run; the two take turns RUNS times (default 3) and their medians are compared. Goal:
# the import at most 1.5 times the shell's.
#
#   bench/import.sh [path/to/kirva-cli] [records]      (default: build/kirva-cli 200000)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
cli="$(realpath "${1:-build/kirva-cli}")"
records=${2:-200000}
runs=${RUNS:-3}

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$cli" demo "$dir/demo" --invoices "$records" >/dev/null
"$cli" dump "$dir/demo/FARACUN.DB" >"$dir/faracun.csv"
# The schema as the program makes it: the table and every index of its keys.
sqlite3 "$dir/demo/FARACUN.DB" .schema >"$dir/schema.sql"

importS=() importKb=() shellS=() shellKb=()
for _ in $(seq "$runs"); do
    rm -rf "$dir/new" && mkdir "$dir/new"
    line=$(measure "$cli" import "$dir/new/FARACUN.DB" "$dir/faracun.csv")
    read -r s kb <<<"$line"
    importS+=("$s") importKb+=("$kb")
    line=$(measure sqlite3 "$dir/new/shell.db" ".read $dir/schema.sql" ".import --csv --skip 1 $dir/faracun.csv FARACUN")
    read -r s kb <<<"$line"
    shellS+=("$s") shellKb+=("$kb")
done
for db in FARACUN.DB shell.db; do
    stored=$(sqlite3 "$dir/new/$db" "SELECT count(*) FROM FARACUN")
    [ "$stored" = "$records" ] || { echo "$db holds $stored records, not $records" >&2; exit 1; }
done
loadNote
awk -v n="$records" -v i="$(median "${importS[@]}")" -v s="$(median "${shellS[@]}")" \
    -v ik="$(largest "${importKb[@]}")" -v sk="$(largest "${shellKb[@]}")" -v size="$(stat -c %s "$dir/faracun.csv")" 'BEGIN {
    printf "%-9s %9s %9s %7s %10s %10s\n", "records", "import_s", "sqlite_s", "ratio", "import_kb", "sqlite_kb"
    printf "%-9d %9.3f %9.3f %7.2f %10d %10d   (CSV %.0f bytes; goal: at most 1.50)\n", n, i, s, (s > 0 ? i / s : 0), ik, sk, size }'
