#!/bin/sh
# What the report adds to the engine's run time with many stations: for each station count
# (default 80 000 and 100 000, one day each), wxcheck with and without --no-report on the
# same data, and the share the report adds (the bound is 10%). The soccer plots and Taylor
# diagrams place a label for every station, so this is where label placement shows.
# Data go to a temporary folder (SCALE_TMP, default /tmp) and are deleted afterwards.
#   bench/reliability/report_scale_bench.sh [BIN_FOLDER] [STATIONS...]
set -eu
BIN=$(realpath "${1:-build/bin}")
[ $# -gt 0 ] && shift
[ $# -gt 0 ] || set -- 80000 100000
DIR=$(mktemp -d "${SCALE_TMP:-/tmp}/corvane-report-scale.XXXXXX")
trap 'rm -rf "$DIR"' EXIT INT TERM

# timed FOLDER [OPTION]: wall and CPU seconds of one run, "wall cpu".
timed() {
    (cd "$1" && /usr/bin/time -v "$BIN/wxcheck" ${2:-} wxcheck.inp > /dev/null 2> time.txt) || {
        cat "$1/time.txt" >&2
        exit 1
    }
    awk '/Elapsed \(wall clock\)/ { n = split($NF, t, ":"); wall = 0
                                    for (i = 1; i <= n; i++) wall = wall * 60 + t[i] }
         /User time/ { user = $NF }
         /System time/ { sys = $NF }
         END { printf "%.2f %.2f\n", wall, user + sys }' "$1/time.txt"
}

for stations in "$@"; do
    folder="$DIR/stations-$stations"
    "$BIN/wxcheck_generate" --stations "$stations" --days 1 --base s "$folder" > /dev/null
    find "$folder" -name '*.tsf' -exec cat {} + > /dev/null  # into the page cache
    without=$(timed "$folder" --no-report)
    with=$(timed "$folder")
    report=$(stat -c %s "$folder/s_report.html")
    echo "$stations $without $with $report" | awk '{
        printf "%6d stations x 1 day: without report wall %6.2f s cpu %6.2f s; with report wall %6.2f s cpu %6.2f s (+%.0f%% wall, +%.0f%% cpu); report %.1f MB\n",
               $1, $2, $3, $4, $5, 100 * ($4 / $2 - 1), 100 * ($5 / $3 - 1), $6 / 1e6 }'
    rm -rf "$folder"
done
