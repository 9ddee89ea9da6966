#pragma once

// The list file: the run's inputs, the station table, the statistics per station and for
// all stations, the benchmark table, warnings and errors.

#include <cstdint>
#include <string>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/evaluation/pooled_statistics.h"
#include "wxcheck/evaluation/station_evaluation.h"
#include "wxcheck/outputs/output_file.h"

namespace corvane::wxcheck {

/// What the list file reports besides the stations.
struct RunNotes {
    std::string controlPath;
    /// The report's path; empty when no report is asked for.
    std::string reportPath;
    /// The pairs file's path; empty unless asked for.
    std::string pairsPath;
    std::vector<std::string> warnings;
    std::vector<std::string> errors;
    /// Resamples of the day-block bootstrap (0: no intervals) and its seed.
    int resamples = 0;
    std::uint64_t seed = 0;
};

/// Writes the list file of an evaluated run into `file`, as it is produced. Its last line
/// states the run's exit status: "Exit status: 0 (every station evaluated)",
/// "Exit status: 1 (N of M stations evaluated; see ERRORS)" or
/// "Exit status: 2 (nothing evaluated; see ERRORS)".
void WriteListFile(OutputFile& file, const ControlSettings& settings,
                   const std::vector<StationResult>& stations, const PooledResults& pooled,
                   const RunNotes& notes, int status);

/// Writes the list file of a run that could not start: what was read, and why it stopped
/// (exit status 2).
void WriteFailureListFile(OutputFile& file, const ControlSettings& settings, const RunNotes& notes);

/// A station's warning or error, worded alike in the list file and the report.
std::string StationWarningText(int station, const std::string& warning);
std::string StationErrorText(int station, const std::string& error);

}  // namespace corvane::wxcheck
