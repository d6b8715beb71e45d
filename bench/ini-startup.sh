#!/usr/bin/env bash
# Start-up with a long window list in KIRVA.INI: the time of `kirva-cli count` on a small demo book whose
# KIRVA.INI also holds ROWS rows of the INI manager's persisted list ("Sectors_n" in [__Dont_Touch_Me__],
# read at start-up and written back at the end), for each ROWS given. Every build given is measured on the
# same files, so that an older build and this one can be compared in one run; the median of RUNS runs
# (default 3) is shown. The goal: start-up linear in the file, 4,000 rows well under a second.
#
#   bench/ini-startup.sh [kirva-cli ...]      (default: build/kirva-cli; ROWS="0 1000 2000 4000")
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
clis=()
for cli in "${@:-build/kirva-cli}"; do clis+=("$(realpath "$cli")"); done
runs=${RUNS:-3}
rows=${ROWS:-0 1000 2000 4000}

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"${clis[0]}" demo "$dir/demo" --invoices 200 >/dev/null
cd "$dir/demo"
cp KIRVA.INI KIRVA.INI.base

# The list as a window library keeps it: three comma-separated texts per row.
withRows() {
    cp KIRVA.INI.base KIRVA.INI
    awk -v n="$1" 'BEGIN {
        printf "[__Dont_Touch_Me__]\r\nSectors=%d\r\n", n
        for (i = 1; i <= n; i++) printf "Sectors_%d=Okno%d,%d,%d\r\n", i, i, i, i * 7 }' >> KIRVA.INI
}

loadNote
printf "%-6s %8s" "rows" "ini_KB"
for cli in "${clis[@]}"; do printf " %28s" "$(basename "$(dirname "$cli")")/$(basename "$cli")_s"; done
printf "\n"
for n in $rows; do
    withRows "$n"
    printf "%-6d %8d" "$n" "$(( $(stat -c %s KIRVA.INI) / 1024 ))"
    for cli in "${clis[@]}"; do
        times=()
        for _ in $(seq "$runs"); do
            withRows "$n"
            line=$(measure "$cli" count)
            times+=("${line%% *}")
        done
        printf " %28.3f" "$(median "${times[@]}")"
    done
    printf "\n"
done
