#!/bin/sh
# The share of the day-block bootstrap's 95% intervals that hold the true value, on
# synthetic data with a known error distribution (about 95% is right).
#   bench/bootstrap_coverage.sh [BIN_FOLDER] [REPLICATES] [DAYS] [RESAMPLES]
set -eu
BIN=$(realpath "${1:-build/bin}")
"$BIN/bootstrap_coverage" "${2:-400}" "${3:-30}" "${4:-1000}"
