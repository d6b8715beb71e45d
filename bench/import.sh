#!/usr/bin/env bash
# Time and peak memory of `kirva-cli import` of a FARACUN CSV (the dump of a demo book) into a new data file,
# against the sqlite3 shell's .import of the same CSV into a new database of the same schema with its
# indexes, in the same run; the two take turns RUNS times (default 3) and their medians are compared, peak
# memory included. Goals: the import at most 1.0 times the shell's, and peak memory that does not grow with
# the CSV (within 5 MB from the smallest to the largest). With BEFORE=path/to/an/earlier/kirva-cli, that
# program's import takes its turn too.
#
#   bench/import.sh [path/to/kirva-cli] [record counts...]   (default: build/kirva-cli 10000 200000 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
cli="$(realpath "${1:-build/kirva-cli}")"
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 200000 1000000)
runs=${RUNS:-3}
before="${BEFORE:+$(realpath "$BEFORE")}"

loadNote
printf "%-9s %9s %9s %7s %10s %10s %s\n" records import_s sqlite_s ratio import_kb sqlite_kb \
    "${before:+before_s before_ratio before_kb}"
peaks=()
for records in "${counts[@]}"; do
    dir=$(mktemp -d)
    trap 'rm -rf "$dir"' EXIT
    "$cli" demo "$dir/demo" --invoices "$records" >/dev/null
    "$cli" dump "$dir/demo/FARACUN.DB" >"$dir/faracun.csv"
    # The schema as the program makes it: the table and every index of its keys.
    sqlite3 "$dir/demo/FARACUN.DB" .schema >"$dir/schema.sql"

    importS=() importKb=() shellS=() shellKb=() beforeS=() beforeKb=()
    for _ in $(seq "$runs"); do
        rm -rf "$dir/new" "$dir/before" && mkdir "$dir/new" "$dir/before"
        line=$(measure "$cli" import "$dir/new/FARACUN.DB" "$dir/faracun.csv")
        read -r s kb <<<"$line"
        importS+=("$s") importKb+=("$kb")
        line=$(measure sqlite3 "$dir/new/shell.db" ".read $dir/schema.sql" ".import --csv --skip 1 $dir/faracun.csv FARACUN")
        read -r s kb <<<"$line"
        shellS+=("$s") shellKb+=("$kb")
        for db in FARACUN.DB shell.db; do
            stored=$(sqlite3 "$dir/new/$db" "SELECT count(*) FROM FARACUN")
            [ "$stored" = "$records" ] || { echo "$db holds $stored records, not $records" >&2; exit 1; }
        done
        if [ -n "$before" ]; then
            line=$(measure "$before" import "$dir/before/FARACUN.DB" "$dir/faracun.csv")
            read -r s kb <<<"$line"
            beforeS+=("$s") beforeKb+=("$kb")
            [ "$(sqlite3 "$dir/before/FARACUN.DB" "SELECT count(*) FROM FARACUN")" = "$records" ] || exit 1
        fi
    done
    peak=$(median "${importKb[@]}")
    peaks+=("$peak")
    awk -v n="$records" -v i="$(median "${importS[@]}")" -v s="$(median "${shellS[@]}")" -v ik="$peak" \
        -v sk="$(median "${shellKb[@]}")" -v size="$(stat -c %s "$dir/faracun.csv")" \
        -v b="${before:+$(median "${beforeS[@]}")}" -v bk="${before:+$(median "${beforeKb[@]}")}" 'BEGIN {
        printf "%-9d %9.3f %9.3f %7.2f %10d %10d", n, i, s, (s > 0 ? i / s : 0), ik, sk
        if (b != "") printf " %8.3f %12.2f %9d", b, (s > 0 ? b / s : 0), bk
        printf "   (CSV %.0f bytes)\n", size }'
    rm -rf "$dir"
    trap - EXIT
done
lowest=$(printf '%s\n' "${peaks[@]}" | sort -g | head -1)
highest=$(largest "${peaks[@]}")
echo "import peak memory (medians) from ${counts[0]} to ${counts[-1]} records: ${lowest} to ${highest} KB," \
    "spread $((highest - lowest)) KB (goal: at most 5120); goal ratio at most 1.00"
loadNote
