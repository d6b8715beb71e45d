#!/usr/bin/env bash
# Time and peak memory of `kirva-cli export` for a period covering every demo invoice, against a floor
# measured in the same run: sqlite3 reading the same FARACUN rows in key order, plus copying a file of the
# journal's size. Goal: export within 2x the floor; peak memory that does not grow with the invoices.
# The export puts the journal on disk (fsync) before it renames it into place, which a plain cp does not;
# so the floor is also shown with the copy synced to disk (cp_sync_s, ratio_sync).
#
#   bench/export.sh [path/to/kirva-cli] [invoice counts...]      (default: build/kirva-cli 10000 200000)
set -euo pipefail
cd "$(dirname "$0")/.."
cli="$(realpath "${1:-build/kirva-cli}")"
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 200000)
for tool in sqlite3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench/export.sh needs $tool" >&2; exit 2; }
done
runs=3

# "seconds maxKB" of one command, from GNU time -v.
measure() {
    local report
    report=$(mktemp)
    /usr/bin/time -v -o "$report" "$@" >/dev/null 2>&1 || { cat "$report" >&2; rm -f "$report"; return 1; }
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
                /Maximum resident set size/ { kb = $2 }
                END { printf "%.3f %d\n", s, kb }' "$report"
    rm -f "$report"
}

# The best (lowest) time of $runs runs, with the peak memory of that run.
best() {
    local bestLine="" line
    for _ in $(seq "$runs"); do
        line=$(measure "$@")
        if [ -z "$bestLine" ] || awk -v a="${line%% *}" -v b="${bestLine%% *}" 'BEGIN { exit !(a < b) }'; then
            bestLine=$line
        fi
    done
    echo "$bestLine"
}

dayToDate() { date -u -d "1800-12-28 + $1 days" +%d.%m.%Y; }

printf "%-9s %9s %9s %9s %9s %7s %10s %10s %10s %10s\n" invoices export_s sqlite_s cp_s floor_s ratio cp_sync_s ratio_sync export_kb sqlite_kb
for n in "${counts[@]}"; do
    dir=$(mktemp -d)
    trap 'rm -rf "$dir"' EXIT
    "$cli" demo "$dir/demo" --invoices "$n" >/dev/null
    cd "$dir/demo"
    range=$(sqlite3 FARACUN.DB "SELECT MIN(DATUMDOKUMENTA), MAX(DATUMDOKUMENTA) FROM FARACUN WHERE ZNESEKDEBET <> 0")
    from=$(dayToDate "${range%%|*}")
    to=$(dayToDate "${range##*|}")

    exportLine=$(best "$cli" export --from "$from" --to "$to")
    journal=$(ls XML/*.XML)
    sqliteLine=$(best sqlite3 FARACUN.DB \
        "SELECT * FROM FARACUN WHERE BE >= 1 ORDER BY BE, LETODOKUMENTA, STEVILKARACUNA")
    cpLine=$(best cp "$journal" "$dir/copy.xml")
    cpSyncLine=$(best bash -c 'cp "$1" "$2" && sync "$2"' copy "$journal" "$dir/copy.xml")

    read -r exportS exportKb <<<"$exportLine"
    read -r sqliteS sqliteKb <<<"$sqliteLine"
    read -r cpS _ <<<"$cpLine"
    read -r cpSyncS _ <<<"$cpSyncLine"
    awk -v n="$n" -v e="$exportS" -v s="$sqliteS" -v c="$cpS" -v cs="$cpSyncS" -v ek="$exportKb" \
        -v sk="$sqliteKb" -v size="$(stat -c %s "$journal")" 'BEGIN {
            floor = s + c; ratio = floor > 0 ? e / floor : 0
            ratioSync = s + cs > 0 ? e / (s + cs) : 0
            printf "%-9d %9.3f %9.3f %9.3f %9.3f %7.2f %10.3f %10.2f %10d %10d  (journal %d bytes)\n",
                   n, e, s, c, floor, ratio, cs, ratioSync, ek, sk, size }'
    cd - >/dev/null
    rm -rf "$dir"
    trap - EXIT
done
