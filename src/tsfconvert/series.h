#pragma once

// The observations read from the inputs, and the hourly records made of them: sorted by
// time (stably), duplicates dropped, and with --hourly nearest the report nearest to each
// full hour picked.

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tsf/tsf_header.h"
#include "tsfconvert/time_text.h"

namespace corvane::tsfconvert {

inline constexpr double kMissingValue = std::numeric_limits<double>::quiet_NaN();

/// A variable as the TSF header names it.
using OutputVariable = TsfVariable;

struct Observation {
    Seconds time = 0;  ///< The end of the hour it stands for (or near it, to be picked).
    std::int64_t line = 0;
    std::uint32_t file = 0;  ///< Index into Series::files.
};

/// Observations of all inputs in input order, each with one value per variable.
struct Series {
    std::vector<std::string> files;
    std::vector<OutputVariable> variables;
    std::vector<Observation> observations;
    std::vector<double> values;  ///< variables.size() per observation; NaN is missing

    /// With --station: per observation the index of its station among `stations`, which
    /// holds the station values in the order they first occur, and `sites` per station the
    /// first value of --site-col (empty without it).
    std::vector<std::uint32_t> station;
    std::vector<std::string> stations;
    std::vector<std::string> sites;

    const double* ValuesOf(std::size_t observation) const {
        return values.data() + observation * variables.size();
    }
};

/// Most observations one conversion keeps: over a thousand years of hourly data, or twenty
/// years of reports every minute. Guards the memory against a runaway input.
inline constexpr std::size_t kMaxObservations = 10'000'000;

enum class HourlyRule {
    Exact,    ///< Every time is a full hour (checked while reading).
    Nearest,  ///< Per hour, the observation nearest to it within the window.
};

struct HourlyRecord {
    Seconds end = 0;  ///< The full hour the record ends at.
    std::size_t observation = 0;
};

/// The records of the output in time order, and what was left out.
struct HourlySelection {
    std::vector<HourlyRecord> records;
    /// Observations at the same time as an earlier one in the input, in input order.
    std::vector<std::size_t> duplicates;
};

/// Exact: one record per observation, duplicates of a time dropped. Nearest: per full hour
/// the observation nearest to it, at most `windowMinutes` before or after; of two equally
/// near, the earlier.
HourlySelection SelectHours(const Series& series, HourlyRule rule, int windowMinutes);

}  // namespace corvane::tsfconvert
