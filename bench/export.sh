#!/usr/bin/env bash
# Time and peak memory of `kirva-cli export` for a period covering every demo invoice, against a floor
# measured in the same run on the same files: sqlite3 reading the same FARACUN rows in key order, plus copying
# a file of the journal's size and syncing the copy to disk (the export syncs its journal before renaming it
# into place; the floor without the sync is shown too). The commands take turns RUNS times (default 3) and
# their medians are compared, peak memory included. Goals: the export within 0.8 times the synced floor, and
# peak memory that does not grow with the invoices (within 5 MB from the smallest book to the largest).
# With BEFORE=path/to/an/earlier/kirva-cli, that program's export takes its turn too, and both journals must
# be the same bytes under the same name.
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
before="${BEFORE:+$(realpath "$BEFORE")}"

loadNote
printf "%-9s %9s %9s %9s %10s %9s %10s %7s %10s %10s %s\n" invoices export_s sqlite_s cp_s cp_sync_s floor_s \
    floor_sync ratio ratio_sync export_kb "${before:+before_s before_ratio_sync before_kb}"
peaks=()
for n in "${counts[@]}"; do
    dir=$(mktemp -d)
    trap 'rm -rf "$dir"' EXIT
    "$cli" demo "$dir/demo" --invoices "$n" >/dev/null
    cd "$dir/demo"
    range=$(sqlite3 FARACUN.DB "SELECT MIN(DATUMDOKUMENTA), MAX(DATUMDOKUMENTA) FROM FARACUN WHERE ZNESEKDEBET <> 0")
    from=$(dayToDate "${range%%|*}")
    to=$(dayToDate "${range##*|}")

    exportS=() exportKb=() sqliteS=() cpS=() cpSyncS=() beforeS=() beforeKb=()
    for _ in $(seq "$runs"); do
        line=$(measure "$cli" export --from "$from" --to "$to")
        read -r s kb <<<"$line"
        exportS+=("$s") exportKb+=("$kb")
        journal=$(ls XML/*.XML)
        line=$(measure sqlite3 FARACUN.DB \
            "SELECT * FROM FARACUN WHERE BE >= 1 ORDER BY BE, LETODOKUMENTA, STEVILKARACUNA")
        cpS+=("$(measure cp "$journal" "$dir/copy.xml" | cut -d' ' -f1)")
        sqliteS+=("${line%% *}")
        cpSyncS+=("$(measure bash -c 'cp "$1" "$2" && sync "$2"' copy "$journal" "$dir/copy.xml" | cut -d' ' -f1)")
        if [ -n "$before" ]; then
            mv "$journal" "$dir/after.xml"
            line=$(measure "$before" export --from "$from" --to "$to")
            read -r s kb <<<"$line"
            beforeS+=("$s") beforeKb+=("$kb")
            [ "$(ls XML/*.XML)" = "$journal" ] || { echo "the earlier program names the journal $(ls XML/*.XML)" >&2; exit 1; }
            cmp -s "$journal" "$dir/after.xml" || { echo "the journals of $n invoices differ" >&2; exit 1; }
            rm -f "$dir/after.xml"
        fi
    done
    peak=$(median "${exportKb[@]}")
    peaks+=("$peak")
    awk -v n="$n" -v e="$(median "${exportS[@]}")" -v s="$(median "${sqliteS[@]}")" -v c="$(median "${cpS[@]}")" \
        -v cs="$(median "${cpSyncS[@]}")" -v ek="$peak" -v size="$(stat -c %s "$journal")" \
        -v b="${before:+$(median "${beforeS[@]}")}" -v bk="${before:+$(median "${beforeKb[@]}")}" 'BEGIN {
            floor = s + c; floorSync = s + cs
            printf "%-9d %9.3f %9.3f %9.3f %10.3f %9.3f %10.3f %7.2f %10.2f %10d", n, e, s, c, cs, floor, floorSync,
                   (floor > 0 ? e / floor : 0), (floorSync > 0 ? e / floorSync : 0), ek
            if (b != "") printf " %8.3f %12.2f %9d", b, (floorSync > 0 ? b / floorSync : 0), bk
            printf "  (journal %.0f bytes)\n", size }'
    cd - >/dev/null
    rm -rf "$dir"
    trap - EXIT
done
lowest=$(printf '%s\n' "${peaks[@]}" | sort -g | head -1)
highest=$(largest "${peaks[@]}")
echo "export peak memory (medians) from ${counts[0]} to ${counts[-1]} invoices: ${lowest} to ${highest} KB," \
    "spread $((highest - lowest)) KB (goal: at most 5120); goal ratio_sync at most 0.80"
loadNote
