#!/usr/bin/env bash
# Reading the invoice book: every FARACUN record in FARACUN:RACUNKLJUC order through our driver, against
# the sqlite3 shell scanning the same table in the same order. Builds Release, writes a demo book of
# INVOICES invoices (default 200000) and prints both times (medians of RUNS turns each, default 3, taken in
# turns) with the machine's load, and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
invoices=${INVOICES:-200000}
runs=${RUNS:-3}
build=build-bench
command -v sqlite3 > /dev/null || { echo "storage-read: needs the sqlite3 shell" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# GCC 12 warns falsely (-Wrestrict) inside std::string at -O3; the log is shown only when the build fails.
if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKIRVA_BENCH=ON -DBUILD_TESTING=OFF &&
       cmake --build "$build" -j 2 --target kirva-cli read-faracun; } > "$work/build.log" 2>&1; then
    cat "$work/build.log" >&2
    exit 1
fi
"$build/kirva-cli" demo "$work/demo" --invoices "$invoices" --seed 1 > /dev/null
book="$work/demo/FARACUN.DB"
cat "$book" > /dev/null  # both readers start from a warm page cache

source bench/common.sh
loadNote
driverS=() shellS=()
for _ in $(seq "$runs"); do
    read -r records took < <("$build/read-faracun" "$book" 1)
    driverS+=("$took")
    start=$(date +%s%N)
    sqlite3 "$book" "SELECT * FROM FARACUN ORDER BY BE, LETODOKUMENTA, STEVILKARACUNA, rowid" > /dev/null
    end=$(date +%s%N)
    shellS+=("$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')")
done
driver=$(median "${driverS[@]}")
shell=$(median "${shellS[@]}")

echo "records:          $records (file $(du -h "$book" | cut -f1))"
echo "driver, key order: ${driver} s"
echo "sqlite3 shell:     ${shell} s"
loadNote
awk -v d="$driver" -v s="$shell" 'BEGIN { printf "ratio driver/sqlite3: %.2f\n", d / s }'
