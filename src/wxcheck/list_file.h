#pragma once

// The list file: the run's inputs, the station table, the statistics per station and for
// all stations, the benchmark table, warnings and errors.

#include <string>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/output_file.h"
#include "wxcheck/pooled_statistics.h"
#include "wxcheck/station_evaluation.h"

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

/// A benchmark on one statistic: the value, or its magnitude, at most or at least a limit.
struct Benchmark {
    double limit = 0;
    bool magnitude = false;
    bool atMost = true;
    const char* goal = "";  // as the tables write it
};

/// "pass", "fail", or "n/a" for a value that could not be computed. Judged on the value as
/// printed, so that the verdict agrees with the figure beside it.
const char* Judge(double value, const Benchmark& benchmark);

/// The commonly used simple-terrain benchmarks of one quantity.
struct QuantityBenchmarks {
    Benchmark bias;
    Benchmark error;  // RMSE for wind speed, gross error otherwise
    Benchmark agreement;
    bool hasAgreement = true;
};

inline constexpr QuantityBenchmarks kSpeedBenchmarks{{0.5, true, true, "|bias| <= 0.5 m/s"},
                                                     {2.0, false, true, "<= 2 m/s"},
                                                     {0.6, false, false, ">= 0.6"}};
inline constexpr QuantityBenchmarks kDirectionBenchmarks{
    {10.0, true, true, "|bias| <= 10 deg"}, {30.0, false, true, "<= 30 deg"}, {}, false};
inline constexpr QuantityBenchmarks kTemperatureBenchmarks{{0.5, true, true, "|bias| <= 0.5 K"},
                                                           {2.0, false, true, "<= 2 K"},
                                                           {0.8, false, false, ">= 0.8"}};
/// For mixing ratio and specific humidity; relative humidity has none.
inline constexpr QuantityBenchmarks kHumidityBenchmarks{{1.0, true, true, "|bias| <= 1 g/kg"},
                                                        {2.0, false, true, "<= 2 g/kg"},
                                                        {0.6, false, false, ">= 0.6"}};

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
