#!/bin/sh
# Times wxcheck on synthetic hourly data: 200 stations x 365 days unless told otherwise.
# The data go to a temporary folder under /tmp and are deleted afterwards.
#   bench/wxcheck_benchmark.sh [BIN_FOLDER] [STATIONS] [DAYS]
# On a busy machine BENCH_RUNNER='chrt -f 10' (as root) keeps other processes off the
# cores during the timed run only. WXCHECK_ARGS adds options, e.g. --no-report, --pairs or
# --bootstrap 0 (no intervals).
set -eu
BIN=$(realpath "${1:-build/bin}")
STATIONS=${2:-200}
DAYS=${3:-365}
DIR=$(mktemp -d /tmp/wxcheck-bench.XXXXXX)
trap 'rm -rf "$DIR"' EXIT INT TERM

"$BIN/wxcheck_generate" --stations "$STATIONS" --days "$DAYS" --base bench "$DIR"
BYTES=$(cat "$DIR"/*.tsf | wc -c)  # also puts the files into the page cache
cd "$DIR"
# shellcheck disable=SC2086  # WXCHECK_ARGS holds separate options
${BENCH_RUNNER:-} /usr/bin/time -v "$BIN/wxcheck" ${WXCHECK_ARGS:-} wxcheck.inp > /dev/null 2> time.txt || {
    cat time.txt >&2
    exit 1
}
CORES=$(nproc)
REPORT=$(stat -c %s bench_report.html 2>/dev/null || echo 0)
PAIRS=$(stat -c %s bench_Pairs.csv 2>/dev/null || echo 0)
awk -v report="$REPORT" -v pairs="$PAIRS" -v bytes="$BYTES" -v cores="$CORES" -v stations="$STATIONS" -v days="$DAYS" '
/User time/ { user = $NF }
/System time/ { sys = $NF }
/Elapsed \(wall clock\)/ {
    n = split($NF, t, ":"); wall = 0
    for (i = 1; i <= n; i++) wall = wall * 60 + t[i]
}
/Maximum resident set size/ { rss = $NF }
END {
    mb = bytes / 1e6
    printf "wxcheck on %d stations x %d days: %.1f MB of TSF text, %d cores\n", stations, days, mb, cores
    printf "wall %.2f s, user %.2f s, system %.2f s\n", wall, user, sys
    printf "throughput: %.0f MB/s per core over the wall time (%.0f MB/s in all)\n", mb / wall / cores, mb / wall
    printf "            %.0f MB/s per CPU second (user + system)\n", mb / (user + sys)
    printf "peak memory: %.1f MB, %.0f%% of the TSF text (limit 50%%)\n", rss / 1024, 100 * rss * 1024 / bytes
    if (report > 0) printf "report: %.0f kB (limit 2048 kB)\n", report / 1024
    else print "report: none"
    if (pairs > 0) printf "pairs file: %.1f MB (--pairs)\n", pairs / 1e6
}' time.txt
