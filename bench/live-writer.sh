#!/usr/bin/env bash
# `kirva-cli export` of a large book while the invoicing system keeps writing to it: a writer commits
# RATE times a second (default 100) with short BEGIN IMMEDIATE ... COMMIT transactions on FARACUN.DB, as
# docs/storage.md tells writers to do. Every one of RUNS exports (default 10) must succeed and write the
# same journal as an export without the writer; the script prints how many did and how much slower they
# were than RUNS exports without the writer. Exit status 1 when any export failed or differed.
#
#   bench/live-writer.sh [path/to/kirva-cli]        (default: build/kirva-cli)
#   INVOICES=200000 RUNS=10 RATE=100 bench/live-writer.sh
#
# The writer changes FARACUN:KNJIZENOVFINANCE of a random record in each transaction: a column the journal
# does not carry, so a correct export writes the same journal whatever the writer did meanwhile.
set -euo pipefail
cd "$(dirname "$0")/.."
cli="$(realpath "${1:-build/kirva-cli}")"
invoices=${INVOICES:-200000}
runs=${RUNS:-10}
rate=${RATE:-100}
for tool in sqlite3 python3; do
    command -v "$tool" >/dev/null || { echo "bench/live-writer.sh needs $tool" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "bench/live-writer.sh: no kirva-cli at $cli (build it first)" >&2; exit 2; }

work=$(mktemp -d)
writerPid=""
cleanup() {
    [ -n "$writerPid" ] && kill "$writerPid" 2>/dev/null && wait "$writerPid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

"$cli" demo "$work/demo" --invoices "$invoices" --seed 1 >/dev/null
cd "$work/demo"
dayToDate() { date -u -d "1800-12-28 + $1 days" +%d.%m.%Y; }
range=$(sqlite3 FARACUN.DB "SELECT MIN(DATUMDOKUMENTA), MAX(DATUMDOKUMENTA) FROM FARACUN WHERE ZNESEKDEBET <> 0")
from=$(dayToDate "${range%%|*}")
to=$(dayToDate "${range##*|}")

# One export: its seconds on standard output; the journal kept as $1 when it succeeded.
exportOnce() {
    local start end status=0
    start=$(date +%s%N)
    "$cli" export --from "$from" --to "$to" >"$work/out" 2>"$work/err" || status=$?
    end=$(date +%s%N)
    if [ "$status" -ne 0 ]; then
        echo "export failed with exit $status: $(tail -n 2 "$work/err" | tr '\n' ' ')" >&2
        return 1
    fi
    cp "$(head -n 1 "$work/out")" "$1"
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f\n", ns / 1e9 }'
}

mean() { awk '{ s += $1; n++ } END { printf "%.3f", n ? s / n : 0 }'; }

# Without the writer: the reference journal and the reference time.
: >"$work/quiet"
for i in $(seq "$runs"); do exportOnce "$work/reference.xml" >>"$work/quiet"; done
quiet=$(mean <"$work/quiet")

# The writer: RATE short transactions a second until it is told to stop; then it says how many it made.
python3 - "$work/demo/FARACUN.DB" "$rate" "$work/writer.txt" <<'PYTHON' &
import random, signal, sqlite3, sys, time
path, rate, report = sys.argv[1], float(sys.argv[2]), sys.argv[3]
db = sqlite3.connect(path, isolation_level=None, timeout=30)
rows = db.execute("SELECT max(rowid) FROM FARACUN").fetchone()[0]
running = True
def stop(*_):
    global running
    running = False
signal.signal(signal.SIGTERM, stop)
commits, waited, start = 0, 0.0, time.monotonic()
due = start
while running:
    began = time.monotonic()
    db.execute("BEGIN IMMEDIATE")
    db.execute("UPDATE FARACUN SET KNJIZENOVFINANCE = KNJIZENOVFINANCE + 1 WHERE rowid = ?",
               (random.randint(1, rows),))
    db.execute("COMMIT")
    waited += time.monotonic() - began
    commits += 1
    due += 1.0 / rate
    time.sleep(max(0.0, due - time.monotonic()))
elapsed = time.monotonic() - start
with open(report, "w") as out:
    out.write(f"{commits} {elapsed:.1f} {1000 * waited / max(commits, 1):.2f}\n")
PYTHON
writerPid=$!
sleep 1

: >"$work/busy"
succeeded=0
for i in $(seq "$runs"); do
    if seconds=$(exportOnce "$work/journal.xml"); then
        if cmp -s "$work/journal.xml" "$work/reference.xml"; then
            succeeded=$((succeeded + 1))
            echo "$seconds" >>"$work/busy"
        else
            echo "run $i: the journal differs from the one written without the writer" >&2
        fi
    else
        echo "run $i failed" >&2
    fi
done
kill -TERM "$writerPid"
wait "$writerPid" || true
writerPid=""
read -r commits elapsed commitMs <"$work/writer.txt"
busy=$(mean <"$work/busy")

echo "invoices:              $invoices (period $from to $to, journal $(stat -c %s "$work/reference.xml") bytes)"
echo "writer:                $commits commits in $elapsed s ($(awk -v c="$commits" -v e="$elapsed" 'BEGIN { printf "%.1f", (e > 0 ? c / e : 0) }') a second, $commitMs ms each)"
echo "succeeded with writer: $succeeded of $runs (journal identical to the one without the writer)"
echo "export without writer: $quiet s (mean of $runs)"
echo "export with writer:    $busy s (mean of the successful runs)"
awk -v q="$quiet" -v b="$busy" 'BEGIN { printf "slower by:             %.2fx\n", (q > 0 ? b / q : 0) }'
[ "$succeeded" -eq "$runs" ]
