#!/bin/sh
# Times wxcheck --compare of RUNS runs against one normal run, on synthetic hourly data:
# 200 stations x 365 days and 3 runs unless told otherwise. Run 1 is the generated one;
# run k shares its observed files and predicts 0.5 (k - 1) K warmer. The data go to a
# temporary folder under /tmp and are deleted afterwards.
#   bench/compare_benchmark.sh [BIN_FOLDER] [STATIONS] [DAYS] [RUNS]
# WXCHECK_ARGS adds options to both, e.g. --bootstrap 0 or --threads 2.
set -eu
BIN=$(realpath "${1:-build/bin}")
STATIONS=${2:-200}
DAYS=${3:-365}
RUNS=${4:-3}
DIR=$(mktemp -d /tmp/wxcheck-compare-bench.XXXXXX)
trap 'rm -rf "$DIR"' EXIT INT TERM

"$BIN/wxcheck_generate" --stations "$STATIONS" --days "$DAYS" --base bench "$DIR/run1" > /dev/null
CONTROLS="$DIR/run1/wxcheck.inp"
k=2
while [ "$k" -le "$RUNS" ]; do
    RUN="$DIR/run$k"
    mkdir -p "$RUN"
    # Its own output folder (line 3), where its station file and series are.
    sed "3s|.*|'$RUN/'|" "$DIR/run1/wxcheck.inp" > "$RUN/wxcheck.inp"
    # The same observed files (by absolute path), the predicted ones warmer.
    sed "s|,'\([^']*_obs.tsf\)'|,'$DIR/run1/\1'|" "$DIR/run1/bench_WXCHECK.TSF.STN" \
        > "$RUN/bench_WXCHECK.TSF.STN"
    for f in "$DIR"/run1/*_prd.tsf; do
        awk -v add="$(echo "$k" | awk '{ print 0.5 * ($1 - 1) }')" \
            'NF == 14 && $13 != -999 { $13 = sprintf("%.2f", $13 + add) } 1' "$f" \
            > "$RUN/${f##*/}"
    done
    CONTROLS="$CONTROLS $RUN/wxcheck.inp"
    k=$((k + 1))
done
mkdir "$DIR/cmp"
cat "$DIR"/run*/*.tsf > /dev/null  # into the page cache

seconds() {
    awk '/Elapsed \(wall clock\)/ {
        n = split($NF, t, ":"); wall = 0
        for (i = 1; i <= n; i++) wall = wall * 60 + t[i]
        print wall
    }
    /Maximum resident set size/ { printf "%s ", $NF > "/dev/stderr" }' "$1"
}

# shellcheck disable=SC2086  # WXCHECK_ARGS holds separate options
/usr/bin/time -v "$BIN/wxcheck" ${WXCHECK_ARGS:-} "$DIR/run1/wxcheck.inp" > /dev/null 2> "$DIR/one.txt" || {
    cat "$DIR/one.txt" >&2
    exit 1
}
# shellcheck disable=SC2086
/usr/bin/time -v "$BIN/wxcheck" --compare $CONTROLS -o "$DIR/cmp" --root bench ${WXCHECK_ARGS:-} \
    > /dev/null 2> "$DIR/cmp.txt" || {
    cat "$DIR/cmp.txt" >&2
    exit 1
}
ONE=$(seconds "$DIR/one.txt" 2> "$DIR/one.rss")
CMP=$(seconds "$DIR/cmp.txt" 2> "$DIR/cmp.rss")
awk -v one="$ONE" -v cmp="$CMP" -v runs="$RUNS" -v stations="$STATIONS" -v days="$DAYS" \
    -v rss1="$(cat "$DIR/one.rss")" -v rss2="$(cat "$DIR/cmp.rss")" 'BEGIN {
    printf "%d stations x %d days, %d cores\n", stations, days, '"$(nproc)"'
    printf "one run:            wall %.2f s, peak memory %.1f MB\n", one, rss1 / 1024
    printf "compare of %d runs: wall %.2f s, peak memory %.1f MB\n", runs, cmp, rss2 / 1024
    printf "ratio: %.2f (goal at most 3.5 for 3 runs)\n", cmp / one
}'
grep -E "^Temperature +(Bias|RMSE) " "$DIR/cmp/bench_comparison.lst" || true
