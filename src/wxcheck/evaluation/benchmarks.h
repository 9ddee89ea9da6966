#pragma once

// The commonly used simple-terrain benchmarks and the verdicts on the pooled statistics of a
// run, as the list file's benchmark table and the report show them.

#include <string>
#include <vector>

#include "wxcheck/evaluation/station_evaluation.h"

namespace corvane::wxcheck {

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

/// "pass" when the whole interval meets the benchmark, "fail" when none of it does,
/// "undecided" when it straddles the limit; without an interval, Judge(value). Judged on
/// the bounds as printed.
const char* JudgeInterval(double value, const Interval& interval, const Benchmark& benchmark);

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

/// The statistics that carry benchmarks, in the order of the CSV's verdict columns.
enum BenchmarkStatistic : int {
    kBenchmarkBias = 0,
    kBenchmarkGrossError,
    kBenchmarkRmse,
    kBenchmarkAgreement,
    kBenchmarkStatistics
};

/// One line of the benchmark table.
struct BenchmarkCheck {
    std::string quantity;
    std::string statistic;
    double value = 0;
    std::string goal;  // e.g. "<= 2"
    /// "pass", "fail" or "n/a"; with intervals also "undecided".
    std::string result;
    /// The value's 95% interval, when intervals are made.
    Interval interval;
    /// The quantity and statistic judged, for outputs that place the verdict by them.
    Slot slot = kSpeed;
    BenchmarkStatistic which = kBenchmarkBias;
};

/// The benchmark table; with `intervals` the verdicts are judged on the intervals.
std::vector<BenchmarkCheck> CheckBenchmarks(const GroupResult& all, HumidityKind humidity,
                                            const GroupIntervals* intervals = nullptr);

}  // namespace corvane::wxcheck
