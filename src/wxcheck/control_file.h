#pragma once

// The engine's control file (wxcheck.inp) as the wizard writes it: eleven value lines,
// then the additional-analysis block (time-of-day windows and wind-speed ranges), then
// comment lines that are not read.

#include <string>
#include <string_view>
#include <vector>

#include "tsf/record_stamp.h"

namespace corvane::wxcheck {

/// Hours first to last of the day, wrapping past midnight when last < first.
struct TimeWindow {
    int first = 0;
    int last = 0;

    bool Contains(int hour) const {
        return first <= last ? (hour >= first && hour <= last) : (hour >= first || hour <= last);
    }
};

/// Observed wind speeds with low < speed <= high.
struct SpeedRange {
    double low = 0;
    double high = 0;
    std::string lowText;
    std::string highText;
};

/// The longest period (end less start) taken, in days: every hour of the period is a row of
/// the hourly statistics files.
inline constexpr std::int64_t kLongestPeriodDays = 36525;

struct ControlSettings {
    std::string title;
    /// Line 3 as written.
    std::string outputFolder;
    /// The folder the outputs go to: line 3, taken relative to the control file's folder when
    /// it is relative.
    std::string folder;
    std::string listName;
    std::string statisticsBase;
    std::string stationName;
    std::string zone;
    std::string startText;
    std::string endText;
    Stamp start = 0;
    Stamp end = 0;
    std::string calmText;
    double calmThreshold = 0;
    int missingFilter = 0;
    std::vector<TimeWindow> windows;
    std::vector<SpeedRange> ranges;
    std::vector<std::string> warnings;

    std::string ListPath() const { return JoinPath(listName); }
    std::string StationPath() const { return JoinPath(stationName); }
    std::string StatisticsPath(std::string_view suffix) const;
    /// A path as written in an input file: absolute as is, otherwise inside the output folder.
    std::string ResolveInFolder(std::string_view path) const;
    /// Takes from `other` every setting that decides how pairs are formed and grouped (the
    /// period, zone, calm threshold, missing filter, windows and ranges), keeping this run's
    /// own files and folders: runs compared are evaluated alike.
    void AdoptEvaluationSettings(const ControlSettings& other);

private:
    std::string JoinPath(std::string_view name) const;
};

struct ControlFileResult {
    bool ok = false;
    ControlSettings settings;
    /// "path:line: reason" when the file is refused.
    std::string error;
};

/// Reads the control file at `path` ("-": standard input). Only the lines up to the end of
/// the additional-analysis block are read.
ControlFileResult ReadControlFile(const std::string& path);

/// Reads control file text; `path` only names the file in messages.
ControlFileResult ParseControlFile(std::string_view text, const std::string& path);

}  // namespace corvane::wxcheck
