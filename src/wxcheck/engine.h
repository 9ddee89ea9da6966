#pragma once

// The whole run of wxcheck: control file, station file, stations in parallel, pooled
// statistics, output files, progress and exit status.

#include <cstdint>
#include <iosfwd>
#include <string>

#include "wxcheck/evaluation/bootstrap.h"

namespace corvane::wxcheck {

/// Exit statuses.
inline constexpr int kAllEvaluated = 0;
inline constexpr int kSomeFailed = 1;
inline constexpr int kNothingEvaluated = 2;

struct EngineOptions {
    /// "-" reads the control file from standard input.
    std::string controlPath = "wxcheck.inp";
    /// Threads for the stations and the pooled groups; 0 = one per core.
    unsigned threads = 0;
    /// Write the evaluation report (ROOT + "report.html").
    bool report = true;
    /// Write every pair (ROOT + "Pairs.csv").
    bool pairs = false;
    /// Resamples of the day-block bootstrap of the whole-period intervals; 0 makes none.
    int bootstrap = kDefaultResamples;
    /// The seed of the bootstrap: the same seed gives the same intervals.
    std::uint64_t seed = kDefaultSeed;
};

/// Runs an evaluation. Progress goes to `out` (a line per station, flushed), errors to
/// `err`. Returns the exit status.
int RunEngine(const EngineOptions& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::wxcheck
