#pragma once

// The four statistics files: hourly and daily rows, wind and temperature/humidity, every
// station pooled.

#include <string>
#include <string_view>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/pooled_statistics.h"
#include "wxcheck/station_evaluation.h"

namespace corvane::wxcheck {

class ReportSummary;

/// The suffixes of the four statistics files, after the base name of line 5.
inline constexpr std::string_view kHourlyWindFile = "HourlyWindStats.dat";
inline constexpr std::string_view kHourlyTeHuFile = "HourlyTeHuStats.dat";
inline constexpr std::string_view kDailyWindFile = "DailyWindStats.dat";
inline constexpr std::string_view kDailyTeHuFile = "DailyTeHuStats.dat";

/// Writes the four statistics files, each beside its target first; they replace the files of
/// an earlier run only when all four are complete. Returns the errors ("path: reason"), empty
/// on success.
/// A report summary, when given, receives every hour and day row as it is written.
std::vector<std::string> WriteStatisticsFiles(const ControlSettings& settings,
                                              const std::vector<StationResult>& stations,
                                              const PooledResults& pooled, unsigned threads,
                                              ReportSummary* report = nullptr);

}  // namespace corvane::wxcheck
