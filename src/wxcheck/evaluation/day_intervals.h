#pragma once

// The day-block bootstrap of a run: the day rows of one station, or of all stations pooled
// (the same days for every station, which keeps the correlation between them), and their
// intervals.

#include <cstdint>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/evaluation/bootstrap.h"
#include "wxcheck/evaluation/pooled_statistics.h"
#include "wxcheck/evaluation/station_evaluation.h"

namespace corvane::wxcheck {

/// How the intervals are made: `resamples` 0 makes none.
struct BootstrapSettings {
    int resamples = kDefaultResamples;
    std::uint64_t seed = kDefaultSeed;
};

/// The day rows of an evaluated station's whole period, from its kept pairs, its whole
/// period's sums (before they are released) and its windDays: what StationIntervals
/// resamples.
DayTable StationDayTable(const ControlSettings& settings, const StationResult& station);

/// The day rows of all stations pooled (each day over the stations in station order, on up
/// to `threads` threads): what PooledIntervals resamples.
DayTable PooledDayTable(const ControlSettings& settings, const std::vector<StationResult>& stations,
                        const PooledResults& pooled, unsigned threads);

/// Sets the whole-period intervals of an evaluated station, from its kept pairs and its
/// whole period's sums (before they are released), and its windDays.
void StationIntervals(const ControlSettings& settings, StationResult& station,
                      const BootstrapSettings& bootstrap);

/// The whole-period intervals of all stations pooled; the days are pooled on up to
/// `threads` threads, each day over the stations in station order.
GroupIntervals PooledIntervals(const ControlSettings& settings,
                               const std::vector<StationResult>& stations,
                               const PooledResults& pooled, const BootstrapSettings& bootstrap,
                               unsigned threads);

}  // namespace corvane::wxcheck
