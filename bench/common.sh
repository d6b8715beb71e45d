# Shared by the bench scripts (sourced): timing one command with GNU time, and the median of a few runs.

for tool in sqlite3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: needs $tool" >&2; exit 2; }
done

# "seconds maxKB" of one command, from GNU time -v; its output is dropped. A failing command fails the bench.
measure() {
    local report
    report=$(mktemp)
    /usr/bin/time -v -o "$report" "$@" >/dev/null 2>&1 || { cat "$report" >&2; rm -f "$report"; return 1; }
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
                /Maximum resident set size/ { kb = $2 }
                END { printf "%.3f %d\n", s, kb }' "$report"
    rm -f "$report"
}

# The median of the numbers given (the middle one of an odd count, the mean of the middle two otherwise).
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The largest of the numbers given.
largest() {
    printf '%s\n' "$@" | sort -g | tail -1
}

# The day number the data files use, as dd.mm.yyyy.
dayToDate() { date -u -d "1800-12-28 + $1 days" +%d.%m.%Y; }

# The load of the machine when the bench starts: timings on a busy machine say little.
loadNote() {
    echo "# $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
}
