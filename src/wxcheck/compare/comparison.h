#pragma once

// Comparing runs: the stations of several runs matched by their observed series, every run
// narrowed to the cases all of them share (the same end stamp with the variable present in
// every run's predicted series and in the observed one), the statistics of each run on those
// cases, per station and pooled, and the difference of every run to the first, the reference.

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/evaluation/day_intervals.h"
#include "wxcheck/evaluation/station_evaluation.h"

namespace corvane::wxcheck {

struct CompareOptions {
    /// The runs' control files, the reference first.
    std::vector<std::string> controlPaths;
    std::string folder;
    std::string root;
    /// Given: the period of every run, the other settings taken from the first run.
    bool havePeriod = false;
    std::string startText;
    std::string endText;
    unsigned threads = 0;  // 0: one per core
    /// Resamples of the days for the intervals (0: none) and their seed, as in a normal run.
    int bootstrap = kDefaultResamples;
    std::uint64_t seed = kDefaultSeed;
};

/// A range that holds the true difference with the stated confidence (the low and high
/// ends of a day-block bootstrap interval, once the runs' resamples are paired).
struct DifferenceInterval {
    double low = 0;
    double high = 0;
};

/// Which way a statistic is better.
enum class Sense {
    None,              // a count or a mean: no better or worse
    Smaller,           // errors
    Larger,            // index of agreement, correlation
    SmallerMagnitude,  // bias: nearer zero
};

enum class Verdict { NoInterval, Better, Worse, NoSignificantDifference };

/// A run's statistic against the reference's. Better or worse is decided only by an interval
/// of the judged difference; without one, there is no verdict.
struct Difference {
    double value = kNotComputed;                 // run - reference
    double judged = kNotComputed;                // value, or |run| - |reference| for a magnitude
    std::optional<DifferenceInterval> interval;  // of value
    std::optional<DifferenceInterval> judgedInterval;  // of judged, from the same resampled days
};

Difference MakeDifference(double run, double reference, Sense sense);
Verdict Decide(Sense sense, const Difference& difference);
/// "better", "worse", "no significant difference", "no interval"; empty for Sense::None.
const char* VerdictText(Sense sense, Verdict verdict);

/// One statistic of a quantity as the comparison lists it.
struct StatisticKind {
    const char* name;   // CSV name
    const char* label;  // as tables show it
    Sense sense;
};

/// The statistics of the four quantities (0 speed, 1 direction, 2 temperature, 3 humidity).
const std::vector<StatisticKind>& StatisticsOf(int quantity);
/// The value of statistic `s` (an index into StatisticsOf(quantity)) of a group.
double StatisticValue(const GroupResult& group, int quantity, std::size_t s);
inline constexpr int kQuantityCount = 4;
const char* QuantityName(int quantity);   // CSV name
const char* QuantityLabel(int quantity);  // as tables show it

/// The index of statistic `s` of a quantity among a resample's statistics
/// (kResampledStatistics order); -1 for one without an interval (a count or a mean).
int ResampledIndex(int quantity, std::size_t s);

/// A run's whole-period intervals on the common cases, and the paired intervals of its
/// differences to the reference, from the same resampled days.
struct RunIntervals {
    GroupIntervals own;
    /// Per resampled statistic: of run - reference, and of the judged difference (for a
    /// bias |run| - |reference|). None for the reference and without days enough.
    std::array<std::optional<DifferenceInterval>, kResampledStatistics> difference{};
    std::array<std::optional<DifferenceInterval>, kResampledStatistics> judged{};
};

/// The 95% interval of statistic `s` of a quantity (ResampledIndex), if there is one.
std::optional<DifferenceInterval> StatisticInterval(const RunIntervals& run, int quantity,
                                                    std::size_t s);

/// The intervals of every run's day table and of each run's paired differences to the
/// first's. Every table must have the same days (the runs narrowed to common cases): they
/// are resampled from the one `seed` (StreamSeed), so that resample b draws the same days
/// for every run. False, with no paired interval, when the day counts differ.
bool PairedIntervals(const std::vector<DayTable>& tables, int resamples, std::uint64_t seed,
                     std::vector<RunIntervals>& intervals);

/// A station of the reference run matched in every run.
struct ComparedStation {
    std::string name;  // its site text, otherwise the observed file as the reference writes it
    std::string observed;
    std::int64_t commonPairs = 0;  // end stamps with a variable all runs share
    /// Per run: the station's groups on the common cases.
    std::vector<std::vector<GroupResult>> runs;
    /// Per run: the whole-period intervals (none made without resamples).
    std::vector<RunIntervals> intervals;
    HumidityKind humidity = HumidityKind::None;
    /// Per run and scalar quantity (ScalarIndex): the standard deviation of the predicted
    /// values over that of the observed ones on the common cases; NaN without observed spread.
    std::vector<std::array<double, 3>> spreadRatio;
};

/// A station that is not compared, with the reason.
struct LeftOutStation {
    std::string name;
    std::string reason;
};

struct ComparisonResult {
    ControlSettings settings;       // the settings every run was evaluated with
    std::vector<std::string> runs;  // control files as given
    std::vector<std::string> titles;
    std::vector<ComparedStation> stations;
    std::vector<LeftOutStation> leftOut;
    /// Per run: the groups of all compared stations pooled.
    std::vector<std::vector<GroupResult>> pooled;
    std::vector<RunIntervals> pooledIntervals;
    BootstrapSettings bootstrap;
    HumidityKind humidity = HumidityKind::None;
    /// Per run and scalar quantity (ScalarIndex): the mean P - O of the common cases of all
    /// stations by the hour of the day of their end stamps; NaN for an hour without any.
    std::vector<std::array<std::array<double, 24>, 3>> diurnalBias;
    /// Per run and scalar quantity: the spread ratio of all stations' common cases pooled.
    std::vector<std::array<double, 3>> spreadRatio;
    /// 00:00 of the period's first day, and per run and quantity (0 speed to 3 humidity)
    /// the error of the common cases of all stations on each day of the period: the RMSE of
    /// wind speed, the gross error of the others; NaN for a day without any.
    Stamp firstDay = 0;
    std::vector<std::array<std::vector<double>, kQuantityCount>> dailyError;
    std::vector<std::string> notes;
    /// Every series the runs name, as opened: no output may replace one.
    std::vector<std::string> inputs;
};

/// The settings the runs are compared with: those of the first run, the period from
/// `options` when given. Empty when they agree (or a period is given), otherwise the first
/// difference, naming both control files.
std::string CommonSettings(const std::vector<ControlSettings>& runs, const CompareOptions& options,
                           ControlSettings& common);

/// Matches, evaluates and compares the runs read from their control files. False with the
/// reason in `error` when nothing can be compared.
bool CompareRuns(const std::vector<ControlSettings>& runs, const ControlSettings& common,
                 const CompareOptions& options, ComparisonResult& result, std::string& error);

}  // namespace corvane::wxcheck
