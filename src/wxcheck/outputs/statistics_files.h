#pragma once

// The four statistics files: hourly and daily rows, wind and temperature/humidity, every
// station pooled.

#include <string>
#include <string_view>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/evaluation/pooled_statistics.h"
#include "wxcheck/evaluation/station_evaluation.h"

namespace corvane::wxcheck {

/// Receives every hourly and daily row of all stations pooled as the statistics files are
/// written, so that a reader of them (the report) needs no second pass over the pairs.
class PooledRowObserver {
public:
    virtual ~PooledRowObserver() = default;
    virtual void AddHour(int hourOfDay, const GroupResult& row) = 0;
    virtual void AddDay(Stamp day, const GroupResult& row) = 0;
};

/// The suffixes of the four statistics files, after the base name of line 5.
inline constexpr std::string_view kHourlyWindFile = "HourlyWindStats.dat";
inline constexpr std::string_view kHourlyTeHuFile = "HourlyTeHuStats.dat";
inline constexpr std::string_view kDailyWindFile = "DailyWindStats.dat";
inline constexpr std::string_view kDailyTeHuFile = "DailyTeHuStats.dat";

/// Writes the four statistics files, each beside its target first; they replace the files of
/// an earlier run only when all four are complete. Returns the errors ("path: reason"), empty
/// on success.
/// An observer, when given, receives every hour and day row as it is written.
std::vector<std::string> WriteStatisticsFiles(const ControlSettings& settings,
                                              const std::vector<StationResult>& stations,
                                              const PooledResults& pooled, unsigned threads,
                                              PooledRowObserver* observer = nullptr);

}  // namespace corvane::wxcheck
