#!/usr/bin/env bash
# Time of `kirva-cli count` over a period covering every invoice of a demo book, against the sqlite3 shell
# scanning the same FARACUN table in the same key order (RACUNKLJUC), on the same file in the same run; the two
# take turns RUNS times (default 3) and their medians are compared. Goal: count at most 0.8 of the scan.
#
#   bench/count.sh [path/to/kirva-cli] [invoices]      (default: build/kirva-cli 200000)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
cli="$(realpath "${1:-build/kirva-cli}")"
invoices=${2:-200000}
runs=${RUNS:-3}

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$cli" demo "$dir/demo" --invoices "$invoices" >/dev/null
cd "$dir/demo"
range=$(sqlite3 FARACUN.DB "SELECT MIN(DATUMDOKUMENTA), MAX(DATUMDOKUMENTA) FROM FARACUN")
from=$(dayToDate "${range%%|*}")
to=$(dayToDate "${range##*|}")
counted=$("$cli" count --from "$from" --to "$to")
[ "${counted%% *}" = "$invoices" ] || { echo "count says '$counted', not $invoices invoices" >&2; exit 1; }

countS=() scanS=()
for _ in $(seq "$runs"); do
    line=$(measure "$cli" count --from "$from" --to "$to")
    countS+=("${line%% *}")
    line=$(measure sqlite3 FARACUN.DB "SELECT * FROM FARACUN ORDER BY BE, LETODOKUMENTA, STEVILKARACUNA, rowid")
    scanS+=("${line%% *}")
done
loadNote
awk -v n="$invoices" -v c="$(median "${countS[@]}")" -v s="$(median "${scanS[@]}")" 'BEGIN {
    printf "%-9s %9s %9s %7s\n", "invoices", "count_s", "sqlite_s", "ratio"
    printf "%-9d %9.3f %9.3f %7.2f   (goal: at most 0.80)\n", n, c, s, (s > 0 ? c / s : 0) }'
