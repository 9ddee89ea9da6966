#pragma once

// The list file: the run's inputs, the station table, the statistics per station and for
// all stations, the benchmark table, warnings and errors.

#include <string>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/pooled_statistics.h"
#include "wxcheck/station_evaluation.h"

namespace corvane::wxcheck {

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
