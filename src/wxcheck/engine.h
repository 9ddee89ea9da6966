#pragma once

// The whole run of wxcheck: control file, station file, stations in parallel, pooled
// statistics, output files, progress and exit status.

#include <iosfwd>
#include <string>

namespace corvane::wxcheck {

/// Exit statuses.
inline constexpr int kAllEvaluated = 0;
inline constexpr int kSomeFailed = 1;
inline constexpr int kNothingEvaluated = 2;

struct EngineOptions {
    std::string controlPath = "wxcheck.inp";
    /// Threads for the stations and the pooled groups; 0 = one per core.
    unsigned threads = 0;
    /// Writes the evaluation report ROOT_report.html beside the statistics files.
    bool report = true;
};

/// Runs an evaluation. Progress goes to `out` (a line per station, flushed), errors to
/// `err`. Returns the exit status.
int RunEngine(const EngineOptions& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::wxcheck
