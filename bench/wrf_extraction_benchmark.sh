#!/bin/sh
# Times tsfconvert --from wrf on synthetic WRF output (200 x 200 points, 31 daily files of
# 24 hours, 100 stations unless told otherwise) against the limit of reading the same
# variables whole with nc_get_var, and prints both times and peak memories: the
# extraction's memory above what the library takes to open the files, less the stations'
# series themselves and the program's own code (tsfconvert --version against the reader
# that opens nothing), counted in fields (NX x NY floats) per variable read.
#   bench/wrf_extraction_benchmark.sh [BIN_FOLDER] [NX NY FILES HOURS STATIONS]
set -eu
BIN=$(realpath "${1:-build/bin}")
[ $# -gt 0 ] && shift
NX=${1:-200} NY=${2:-200} FILES=${3:-31} HOURS=${4:-24} STATIONS=${5:-100}
DIR=$(mktemp -d /tmp/wrf-bench.XXXXXX)
trap 'rm -rf "$DIR"' EXIT INT TERM

"$BIN/tsfconvert_generate_wrf" "$DIR" "$NX" "$NY" "$FILES" "$HOURS" "$STATIONS"
cat "$DIR"/wrfout_* > /dev/null  # into the page cache
cd "$DIR"
measure() {  # NAME COMMAND...: wall seconds and peak memory in MB
    name=$1; shift
    ${BENCH_RUNNER:-} /usr/bin/time -v "$@" > /dev/null 2> "$name.txt" || { cat "$name.txt" >&2; exit 1; }
    awk '/Elapsed \(wall clock\)/ { n = split($NF, t, ":"); w = 0; for (i = 1; i <= n; i++) w = w * 60 + t[i] }
         /Maximum resident set size/ { r = $NF }
         END { printf "%.3f %.1f\n", w, r / 1024 }' "$name.txt"
}
set -- wrfout_*
CODE=$(measure code "$BIN/tsfconvert" --version)
NOTHING=$(measure nothing "$BIN/tsfconvert_read_whole_wrf" --open-only)
BASE=$(measure base "$BIN/tsfconvert_read_whole_wrf" --open-only "$@")
LIMIT=$(measure limit "$BIN/tsfconvert_read_whole_wrf" "$@")
RUN=$(measure run "$BIN/tsfconvert" --from wrf --stations stations.csv --interp bilinear -o prd "$@")
ONE=$(measure one "$BIN/tsfconvert" --from wrf --stations stations.csv --interp bilinear -o one "$1")
echo "$BASE $LIMIT $RUN $ONE $CODE $NOTHING" | awk -v nx="$NX" -v ny="$NY" -v files="$FILES" -v hours="$HOURS" -v st="$STATIONS" '{
    field = nx * ny * 4 / 1048576
    printf "%d files of %d hours, %d x %d grid, %d stations, bilinear\n", files, hours, nx, ny, st
    printf "limit (nc_get_var of U10 V10 T2 Q2): %.2f s, peak %.1f MB\n", $3, $4
    printf "extraction:                          %.2f s, peak %.1f MB\n", $5, $6
    printf "time ratio %.2f (goal at most 1.5)\n", $5 / $3
    series = st * files * hours * 4 * 8 / 1048576
    code = $10 - $12
    printf "memory above the library opening the files (%.1f MB): %.2f MB, of which the stations\x27 series %.2f MB and the program\x27s code %.2f MB\n", $2, $6 - $2, series, code
    printf "the rest: %.2f fields per variable of %.2f MB (goal under 2)\n", ($6 - $2 - series - code) / field / 4, field
    printf "one file instead of %d: peak %.1f MB\n", files, $8
}'
