#pragma once

// The engine's output: the four statistics files (hourly and daily, wind and
// temperature/humidity) and the list file.

#include <string>
#include <string_view>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/pooled_statistics.h"
#include "wxcheck/station_evaluation.h"

namespace corvane::wxcheck {

/// The program's version, as the list and statistics files name it.
const char* EngineVersion();

/// A number with 4 decimals, "-999" when it cannot be computed (NaN); never "-0.0000".
std::string FormatValue(double value);

/// The suffixes of the four statistics files, after the base name of line 5.
inline constexpr std::string_view kHourlyWindFile = "HourlyWindStats.dat";
inline constexpr std::string_view kHourlyTeHuFile = "HourlyTeHuStats.dat";
inline constexpr std::string_view kDailyWindFile = "DailyWindStats.dat";
inline constexpr std::string_view kDailyTeHuFile = "DailyTeHuStats.dat";

/// Writes the four statistics files. Returns the errors ("path: reason"), empty on success.
std::vector<std::string> WriteStatisticsFiles(const ControlSettings& settings,
                                              const std::vector<StationResult>& stations,
                                              const PooledResults& pooled, unsigned threads);

/// What the list file reports besides the stations.
struct RunNotes {
    std::string controlPath;
    std::vector<std::string> warnings;
    std::vector<std::string> errors;
};

/// The list file of an evaluated run.
std::string BuildListFile(const ControlSettings& settings,
                          const std::vector<StationResult>& stations, const PooledResults& pooled,
                          const RunNotes& notes);

/// The list file of a run that could not start: what was read, and why it stopped.
std::string BuildFailureListFile(const ControlSettings& settings, const RunNotes& notes);

/// One line of the benchmark table.
struct BenchmarkCheck {
    std::string quantity;
    std::string statistic;
    double value = 0;
    std::string goal;  // e.g. "<= 2"
    /// "pass", "fail" or "n/a".
    std::string result;
};

std::vector<BenchmarkCheck> CheckBenchmarks(const GroupResult& all, HumidityKind humidity);

}  // namespace corvane::wxcheck
