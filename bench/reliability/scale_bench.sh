#!/bin/sh
# Scale of one station in the engine, two sizes each, so that growth shows:
#   1. TSF files of about 0.5 GB and 1 GB (predicted and observed each) with a processing
#      period of 30 years: the time should follow the bytes read, the memory only the period;
#   2. periods of 15 and 30 years, each the whole file: time and memory follow the period;
#   3. 20 000 and 40 000 stations of two days each, as a dataset list of that length gives,
#      and 100 000 stations of one day each: memory follows the stations, a few KB each.
# Data go to a temporary folder (SCALE_TMP, default /tmp) and are deleted afterwards.
#   bench/reliability/scale_bench.sh [BIN_FOLDER]
set -eu
BIN=$(realpath "${1:-build/bin}")
DIR=$(mktemp -d "${SCALE_TMP:-/tmp}/corvane-scale.XXXXXX")
trap 'rm -rf "$DIR"' EXIT INT TERM

# series NAME CHUNKS DAYS: one station of CHUNKS blocks of DAYS days each, from 2000-01-01 on,
# one block after the other (the generator makes at most 99999 days at a time; records may
# come in any order, so the blocks are joined under the first block's header).
series() {
    name=$1 chunks=$2 days=$3
    folder="$DIR/$name"
    k=0
    while [ "$k" -lt "$chunks" ]; do
        year=$((2000 + k * (days / 365 + 1)))
        "$BIN/wxcheck_generate" --stations 1 --days "$days" --start "$year-01-01" --seed "$((k + 1))" \
            --base s "$DIR/block" > /dev/null
        if [ "$k" -eq 0 ]; then
            mkdir -p "$folder"
            mv "$DIR/block/wxcheck.inp" "$DIR/block/s_WXCHECK.TSF.STN" "$folder/"
            sed -i "3s|.*|'$folder/'|" "$folder/wxcheck.inp"
            for kind in prd obs; do head -n 13 "$DIR/block/st001_$kind.tsf" > "$folder/st001_$kind.tsf"; done
        fi
        for kind in prd obs; do tail -n +14 "$DIR/block/st001_$kind.tsf" >> "$folder/st001_$kind.tsf"; done
        rm -rf "$DIR/block"
        k=$((k + 1))
    done
    sed -i "s|$DIR/block/|$folder/|g" "$folder/s_WXCHECK.TSF.STN"
}

# run NAME PERIOD_END: runs the engine on series NAME, the period from 2000-01-01 01:00 to
# PERIOD_END (YYYYMMDDHH), or as the generator wrote it ("whole").
run() {
    name=$1 periodEnd=$2
    folder="$DIR/$name"
    if [ "$periodEnd" != whole ]; then
        sed -i "9s/.*/'${periodEnd}0000'/" "$folder/wxcheck.inp"
    fi
    # Also puts the files into the page cache.
    bytes=$(find "$folder" -name '*.tsf' -exec cat {} + | wc -c)
    status=0
    (cd "$folder" && /usr/bin/time -v "$BIN/wxcheck" wxcheck.inp > /dev/null 2> time.txt) || status=$?
    # Status 1 and 2 are the engine's own verdicts; anything else is a crash.
    if [ "$status" -gt 2 ]; then cat "$folder/time.txt" >&2; exit 1; fi
    rows=$(grep -vc '^#' "$folder/s_HourlyWindStats.dat")
    awk -v name="$name" -v bytes="$bytes" -v rows="$rows" -v status="$status" \
        -v period="$(sed -n 8,9p "$folder/wxcheck.inp" | tr -d "'\r" | tr '\n' ' ')" '
    /Elapsed \(wall clock\)/ { n = split($NF, t, ":"); wall = 0
                               for (i = 1; i <= n; i++) wall = wall * 60 + t[i] }
    /User time/ { user = $NF }
    /System time/ { sys = $NF }
    /Maximum resident set size/ { rss = $NF }
    END { printf "%-14s %5.0f MB of TSF  period %s (%6d hourly rows)  exit %d  wall %6.2f s  cpu %6.2f s  peak %6.1f MB\n",
                 name, bytes / 1e6, period, rows - 1, status, wall, user + sys, rss / 1024 }' "$folder/time.txt"
    rm -rf "$folder"
}

# Each station file holds about 0.55 MB a year: 4 and 8 blocks of 230 years give about 0.5
# and 1 GB per file (1 and 2 GB read in all).
series size-0.5GB 4 84000
run size-0.5GB 2030010100
series size-1GB 8 84000
run size-1GB 2030010100
series period-15y 1 5479
run period-15y whole
series period-30y 1 10958
run period-30y whole
for case in 20000:2 40000:2 100000:1; do
    stations=${case%:*} days=${case#*:}
    "$BIN/wxcheck_generate" --stations "$stations" --days "$days" --base s \
        "$DIR/stations-$stations" > /dev/null
    run "stations-$stations" whole
done
