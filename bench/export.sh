#!/usr/bin/env bash
# Time and peak memory of `kirva-cli export` for a period covering every demo invoice, against a floor
# measured in the same run on the same files: sqlite3 reading the same FARACUN rows in key order, plus copying
# a file of the journal's size. The export, the sqlite3 read and the copies take turns RUNS times (default 3)
# and their medians are compared. Goals: the export within 1.2 times the floor, and peak memory that does
# not grow with the invoices (within 5 MB from the smallest book to the largest).
# The export puts the journal on disk (fsync) before it renames it into place, which a plain cp does not;
# so the floor is also shown with the copy synced to disk (cp_sync_s, ratio_sync).
#
#   bench/export.sh [path/to/kirva-cli] [invoice counts...]   (default: build/kirva-cli 10000 200000 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
cli="$(realpath "${1:-build/kirva-cli}")"
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 200000 1000000)
runs=${RUNS:-3}

loadNote
printf "%-9s %9s %9s %9s %9s %7s %10s %10s %10s %10s\n" invoices export_s sqlite_s cp_s floor_s ratio cp_sync_s ratio_sync export_kb sqlite_kb
peaks=()
for n in "${counts[@]}"; do
    dir=$(mktemp -d)
    trap 'rm -rf "$dir"' EXIT
    "$cli" demo "$dir/demo" --invoices "$n" >/dev/null
    cd "$dir/demo"
    range=$(sqlite3 FARACUN.DB "SELECT MIN(DATUMDOKUMENTA), MAX(DATUMDOKUMENTA) FROM FARACUN WHERE ZNESEKDEBET <> 0")
    from=$(dayToDate "${range%%|*}")
    to=$(dayToDate "${range##*|}")

    exportS=() exportKb=() sqliteS=() sqliteKb=() cpS=() cpSyncS=()
    for _ in $(seq "$runs"); do
        line=$(measure "$cli" export --from "$from" --to "$to")
        read -r s kb <<<"$line"
        exportS+=("$s") exportKb+=("$kb")
        journal=$(ls XML/*.XML)
        line=$(measure sqlite3 FARACUN.DB \
            "SELECT * FROM FARACUN WHERE BE >= 1 ORDER BY BE, LETODOKUMENTA, STEVILKARACUNA")
        read -r s kb <<<"$line"
        sqliteS+=("$s") sqliteKb+=("$kb")
        line=$(measure cp "$journal" "$dir/copy.xml")
        read -r s _ <<<"$line"
        cpS+=("$s")
        line=$(measure bash -c 'cp "$1" "$2" && sync "$2"' copy "$journal" "$dir/copy.xml")
        read -r s _ <<<"$line"
        cpSyncS+=("$s")
    done
    peak=$(largest "${exportKb[@]}")
    peaks+=("$peak")
    awk -v n="$n" -v e="$(median "${exportS[@]}")" -v s="$(median "${sqliteS[@]}")" -v c="$(median "${cpS[@]}")" \
        -v cs="$(median "${cpSyncS[@]}")" -v ek="$peak" -v sk="$(largest "${sqliteKb[@]}")" \
        -v size="$(stat -c %s "$journal")" 'BEGIN {
            floor = s + c; ratio = floor > 0 ? e / floor : 0
            ratioSync = s + cs > 0 ? e / (s + cs) : 0
            printf "%-9d %9.3f %9.3f %9.3f %9.3f %7.2f %10.3f %10.2f %10d %10d  (journal %.0f bytes)\n",
                   n, e, s, c, floor, ratio, cs, ratioSync, ek, sk, size }'
    cd - >/dev/null
    rm -rf "$dir"
    trap - EXIT
done
lowest=$(printf '%s\n' "${peaks[@]}" | sort -g | head -1)
highest=$(largest "${peaks[@]}")
echo "export peak memory from ${counts[0]} to ${counts[-1]} invoices: ${lowest} to ${highest} KB," \
    "spread $((highest - lowest)) KB (goal: at most 5120)"
