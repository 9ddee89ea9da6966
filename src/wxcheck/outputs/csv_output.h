#pragma once

// The run's comma-separated outputs, for analysts' own tools: ROOT_StationStats.csv, the
// statistics of every station as the list file gives them, and ROOT_Pairs.csv, every pair.
// One header row, no comment lines; a value that cannot be computed or is missing is an
// empty cell, which pandas reads as NaN and R as NA without options; times in ISO 8601.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/evaluation/pooled_statistics.h"
#include "wxcheck/evaluation/station_evaluation.h"
#include "wxcheck/outputs/output_file.h"

namespace corvane::wxcheck {

/// End times as ROOT_Pairs.csv writes them, for many stamps in order, each date worked out
/// once: "YYYY-MM-DDTHH:MM:SS+HH:MM" with the offset of `zone` ("+00:00" for UTC+0000),
/// without an offset when the zone is no "UTC+HHMM" or "UTC-HHMM".
class IsoTimes {
public:
    explicit IsoTimes(std::string_view zone);
    /// The text of `stamp`; valid until the next call.
    const std::string& Text(Stamp stamp);

private:
    std::string offset_;
    std::int64_t dayNumber_ = 0;
    bool haveDay_ = false;
    std::string text_;  // the date and "T" of dayNumber_, then the time and offset
};

/// Writes ROOT_StationStats.csv: per evaluated station, section (the whole period, each
/// time-of-day window, each wind-speed range) and quantity the station evaluates, the
/// statistics of the list file, with the station's files and site lines. With intervals
/// (`resamples` > 0) the columns end with the bootstrap's resamples and seed and the bounds
/// of each whole-period interval, and rows of station "all" give all stations pooled.
void WriteStationStatistics(OutputFile& file, const ControlSettings& settings,
                            const std::vector<StationResult>& stations,
                            const PooledResults* pooled = nullptr, int resamples = 0,
                            std::uint64_t seed = 0);

/// A text from outside (a file name, a Site: text) as a spreadsheet cell must hold it: its
/// control characters shown as escapes, and a leading apostrophe when a spreadsheet would
/// take it for a formula, also once the cell's quotes are removed. Quoting is the caller's.
std::string SpreadsheetText(std::string_view outside);

/// The header row of ROOT_Pairs.csv.
std::string_view PairsHeader();

/// Appends the row of one pair of `station` to `out`: its end time (IsoTimes), the observed and the
/// predicted value of each quantity in the evaluated units (empty where the station does not
/// evaluate it or a value is missing), whether it is calm (empty without wind speed) and whether
/// the statistics use it.
void AppendPairRow(std::string& out, const StationResult& station, const std::string& endTime,
                   const Record& observed, const Record& predicted, bool calm, bool used);

}  // namespace corvane::wxcheck
