#!/bin/sh
# Times tsfconvert on a synthetic hourly CSV export (200 MB unless told otherwise) and
# prints the throughput per core (the converter runs on one) and the peak memory.
# The data go to a temporary folder under /tmp and are deleted afterwards.
#   bench/tsfconvert_benchmark.sh [BIN_FOLDER] [MEGABYTES]
# On a busy machine BENCH_RUNNER='chrt -f 10' (as root) keeps other processes off the
# core during the timed run only.
set -eu
BIN=$(realpath "${1:-build/bin}")
MEGABYTES=${2:-200}
DIR=$(mktemp -d /tmp/tsfconvert-bench.XXXXXX)
trap 'rm -rf "$DIR"' EXIT INT TERM

"$BIN/tsfconvert_generate_csv" "$MEGABYTES" "$DIR/station.csv"
BYTES=$(cat "$DIR/station.csv" | wc -c)  # also puts the file into the page cache
cd "$DIR"
${BENCH_RUNNER:-} /usr/bin/time -v "$BIN/tsfconvert" --time time --wspeed ws_kt:kt --wdir wd \
    --temp temp_c:C --dewpoint dewpoint_c:C -o station.tsf station.csv > /dev/null 2> time.txt || {
    cat time.txt >&2
    exit 1
}
awk -v bytes="$BYTES" '
/User time/ { user = $NF }
/System time/ { sys = $NF }
/Elapsed \(wall clock\)/ {
    n = split($NF, t, ":"); wall = 0
    for (i = 1; i <= n; i++) wall = wall * 60 + t[i]
}
/Maximum resident set size/ { rss = $NF }
END {
    mb = bytes / 1e6
    printf "tsfconvert on %.1f MB of hourly CSV (one core)\n", mb
    printf "wall %.2f s, user %.2f s, system %.2f s\n", wall, user, sys
    printf "throughput: %.0f MB/s over the wall time, %.0f MB/s per CPU second (goal 100)\n", mb / wall, mb / (user + sys)
    printf "peak memory: %.1f MB\n", rss / 1024
}' time.txt
