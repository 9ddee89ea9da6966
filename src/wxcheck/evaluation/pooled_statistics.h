#pragma once

// Statistics pooled over all stations: the whole period, each time-of-day window and
// wind-speed range, every hour and every day. Work is spread over threads, but every
// group is summed in station order, so the results do not depend on the thread count.

#include <functional>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/evaluation/station_evaluation.h"

namespace corvane::wxcheck {

struct PooledResults {
    /// The run's humidity variable: the one most evaluated stations use (ties to the
    /// earlier of MIXR, SHUM, RHUM).
    HumidityKind humidity = HumidityKind::None;
    int humidityStations = 0;
    /// Whole period, windows, ranges (as a station's groups).
    std::vector<GroupResult> all;
    /// The whole period's 95% intervals (none made unless asked for).
    GroupIntervals intervals;
    /// Some statistic of `all` is no finite number (written as -999).
    bool notFinite = false;
};

/// The first pass of the all-station groups, summed as the stations come in station order,
/// so that each station's partial sums can be released at once. The humidity is summed per
/// variable until the run's humidity variable is known.
class PooledFirstPass {
public:
    explicit PooledFirstPass(const ControlSettings& settings);

    /// Merges the partial sums of the next station in order and releases them.
    void Add(StationResult& station);

private:
    friend PooledResults ComputePooled(const ControlSettings& settings,
                                       const std::vector<StationResult>& stations,
                                       const PooledFirstPass& first, unsigned threads);

    std::vector<GroupPartial> total_;  // speed, temperature and direction of each group
    std::array<std::vector<FirstPass>, 3> humidity_;  // by HumidityKind, of each group
    std::array<int, 3> humidityStations_{};
};

/// The hour and day rows of the period. Hour rows run from the hour of the period start to
/// the hour of its end, by the hour of the end stamps. Day rows run from the day of the start
/// to the day of the end, where the day of a stamp is the date of the stamp less one second:
/// a day holds the hours that end from 01:00 to 24:00 (00:00 of the next date).
struct PeriodRows {
    Stamp firstHour = 0;  // stamp of the first hour row
    Stamp firstDay = 0;   // stamp of 00:00 of the first day row
    std::int64_t hourCount = 0;
    std::int64_t dayCount = 0;

    explicit PeriodRows(const ControlSettings& settings);
    /// The first KeptPair::DayHour of day row `day` (24 of them), counted from firstHour.
    std::int64_t DayStartHour(std::int64_t day) const;
    /// The hour rows [first, last] pooled with day row `day`: those whose stamp less one
    /// second falls on it, the first hour row always with the first day.
    std::int64_t FirstHourOfDay(std::int64_t day) const;
    std::int64_t LastHourOfDay(std::int64_t day) const;
};

/// Pools the day rows [firstDay, firstDay + dayCount) and their hours. `hours` receives
/// the hour rows from FirstHourOfDay(firstDay) on; a long period is done in blocks so
/// that memory does not grow with it.
void ComputeDayBlock(const ControlSettings& settings, const std::vector<StationResult>& stations,
                     HumidityKind humidity, unsigned threads, std::int64_t firstDay,
                     std::int64_t dayCount, std::vector<GroupResult>& hours,
                     std::vector<GroupResult>& days);

/// Runs work(i) for i in [0, count) on up to `threads` threads.
void ParallelFor(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& work);

/// The all-station groups of the whole period, the windows and the ranges, from the first
/// pass summed over `stations` and a second pass over their kept pairs.
PooledResults ComputePooled(const ControlSettings& settings,
                            const std::vector<StationResult>& stations,
                            const PooledFirstPass& first, unsigned threads);

}  // namespace corvane::wxcheck
