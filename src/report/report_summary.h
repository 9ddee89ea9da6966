#pragma once

// What the evaluation report shows, gathered from the engine's results in station order:
// per-station summaries, hour-of-day sums, a scatter of every pair or a 2-D histogram of
// them, wind-rose counts, the spread of each quantity for the Taylor diagram, and the
// pooled daily means of the daily statistics rows. Bounded: nothing here grows with the
// number of pairs.

#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "chart/plot.h"
#include "chart/scale.h"
#include "chart/wind_rose.h"
#include "wxcheck/control_file.h"
#include "wxcheck/evaluation/pooled_statistics.h"
#include "wxcheck/evaluation/station_evaluation.h"
#include "wxcheck/outputs/statistics_files.h"

namespace corvane::wxcheck {

/// A scatter shows up to this many pairs one by one; more become a 2-D histogram.
inline constexpr std::int64_t kScatterPointLimit = 5000;
inline constexpr int kScatterCells = 60;

/// Upper bounds of the wind roses' speed classes (m/s) below the last, open one; the
/// lowest class starts above the calm threshold.
inline constexpr std::array<double, 4> kRoseSpeedBounds = {2, 4, 6, 8};
inline constexpr std::size_t kRoseClasses = kRoseSpeedBounds.size() + 1;

struct ReportStation {
    int number = 0;
    std::string predicted;  // as the station file names them
    std::string observed;
    bool evaluated = false;
    HumidityKind humidity = HumidityKind::None;
    /// The variables both files give (speed, direction, temperature, humidity).
    std::array<bool, kSlotCount> evaluates{};
    std::int64_t used = 0;     // pairs left after the missing filter
    std::int64_t calm = 0;     // of those, calm ones
    GroupResult whole;         // the whole period
    GroupIntervals intervals;  // its 95% intervals, when made
    /// The whole period's sums per scalar quantity, for the pooled spread.
    std::array<FirstPass, 3> first{};
    std::array<SecondPass, 3> second{};

    /// Predicted over observed standard deviation of scalar k; NaN when the observations
    /// have no spread.
    double SpreadRatio(std::size_t k) const;
};

/// The step of the grid that values were recorded on: the largest number of
/// ten-thousandths that every difference between them is a whole multiple of (data written
/// to 0.1 m/s: 0.1). Zero while fewer than two distinct values came, or when some value
/// lies off the ten-thousandths.
class ValueGrid {
public:
    void Add(double value) {
        if (done_) {
            return;
        }
        const double scaled = value * 1e4;
        const double whole = std::nearbyint(scaled);
        if (!(scaled > -9e15 && scaled < 9e15) || std::fabs(scaled - whole) > 1e-6) {
            step_ = 0;
            done_ = true;  // off the grid: any step would be a guess
            return;
        }
        const auto units = static_cast<std::int64_t>(whole);
        if (!started_) {
            first_ = units;
            started_ = true;
            return;
        }
        const std::int64_t d = units > first_ ? units - first_ : first_ - units;
        if (step_ == 0 ? d != 0 : d % step_ != 0) {
            step_ = std::gcd(step_, d);
            done_ = step_ == 1;  // the finest grid there is
        }
    }
    /// In the values' own units; 0 when not known.
    double Step() const { return static_cast<double>(step_) / 1e4; }

private:
    std::int64_t first_ = 0;
    std::int64_t step_ = 0;
    bool started_ = false;
    bool done_ = false;
};

/// Observed and predicted values of one scalar quantity, pooled as the "All" statistics
/// pool them (humidity: the stations of the run's humidity variable).
struct ScatterSummary {
    std::int64_t pairs = 0;
    chart::Extent extent;  // of both series
    /// Every pair, when there are at most kScatterPointLimit.
    std::vector<float> observed;
    std::vector<float> predicted;
    /// The recording steps of each series, which cells never split.
    ValueGrid observedGrid;
    ValueGrid predictedGrid;
    /// Otherwise the pairs counted on about kScatterCells x kScatterCells cells over the
    /// nice range of `extent`, each a whole number of recording steps wide.
    chart::HistogramGrid grid;
    /// The least-squares line P = intercept + slope O; NaN when O has no spread.
    double intercept = kNotComputed;
    double slope = kNotComputed;
    /// Predicted over observed standard deviation of the pooled pairs.
    double spreadRatio = kNotComputed;

    bool Histogram() const { return pairs > kScatterPointLimit; }
};

struct RoseCounts {
    std::array<std::array<std::int64_t, chart::kRoseSectors>, kRoseClasses> counts{};
    std::int64_t calm = 0;
    /// Used hours with speed and direction in both series: the 100 percent of the rose.
    std::int64_t hours = 0;
    /// The calm threshold, where the lowest speed class starts, and as the control file
    /// writes it.
    double calmThreshold = 0;
    std::string calmText = "0";
};

struct DayMeans {
    Stamp day = 0;
    std::array<double, 3> observed{};  // scalar quantities
    std::array<double, 3> predicted{};
    double directionObserved = 0;
    double directionPredicted = 0;
};

/// Up to this many stations the report shows every station one by one (a row in each
/// station table, a marker in each soccer plot and Taylor diagram); beyond it, this many,
/// so that the page stays within a few megabytes and its time small beside the run's.
inline constexpr std::size_t kMostStationsShown = 500;
/// The stations furthest outside the box of a soccer plot that keep their labels.
inline constexpr std::size_t kOutliersLabelled = 5;

/// Fed by the engine in three steps: every station in station order as it is evaluated
/// (while its pairs are fresh), once with the pooled results, and every hour and day row
/// of the statistics files as they are written.
///
/// Of very many stations only some are shown one by one, so only the records of those that
/// can still be among them are held: the kMostStationsShown first in the order of
/// ShownStations for each humidity variable the run may end up with, and the
/// kOutliersLabelled furthest outside each benchmark box. Every other station leaves only
/// its sums for the pooled spread and its counts.
class ReportSummary : public PooledRowObserver {
public:
    explicit ReportSummary(const ControlSettings& settings);

    /// The next station, in station order.
    void AddStation(const StationResult& station);
    /// The same for a station already summarised (its pairs and messages are not added).
    void AddStation(ReportStation station);
    /// The stations held one by one, in station order: all of them up to
    /// kMostStationsShown, otherwise those that can be shown or labelled.
    const std::vector<ReportStation>& Stations() const;
    /// All stations added.
    std::size_t StationCount() const { return count_; }
    /// Whether some evaluated station evaluates the variable of `slot` (wind direction: with
    /// wind speed, without which it has no statistics).
    bool SomeStationEvaluates(std::size_t slot) const { return runEvaluates_[slot]; }
    /// The stations outside some benchmark box, as StationDistances tells them, when the
    /// run's humidity variable is `humidity`.
    std::size_t OutsideCount(HumidityKind humidity) const { return outside_[ChoiceOf(humidity)]; }
    /// Once all stations are in: the pooled results, and the pairs again where a scatter
    /// turns into a histogram (shared by up to `threads` threads; the counts do not
    /// depend on their number).
    void Finish(const std::vector<StationResult>& stations, const PooledResults& pooled,
                unsigned threads);
    /// One row of the hourly statistics files, `hourOfDay` that of its end stamp.
    void AddHour(int hourOfDay, const GroupResult& row) override;
    /// One row of the daily statistics files.
    void AddDay(Stamp day, const GroupResult& row) override;

    int evaluated = 0;
    GroupResult all;              // the whole period, all stations
    GroupIntervals allIntervals;  // its 95% intervals, when made
    HumidityKind humidity = HumidityKind::None;
    int humidityStations = 0;
    /// Sums of observed and predicted per scalar quantity and hour of the end stamp, from
    /// the hourly rows.
    std::array<std::array<FirstPass, 24>, 3> hours{};
    std::array<ScatterSummary, 3> scatter;
    RoseCounts observedRose;
    RoseCounts predictedRose;
    std::vector<DayMeans> days;
    /// Station warnings and errors, worded as in the list file.
    std::vector<std::string> stationWarnings;
    std::vector<std::string> stationErrors;

private:
    // Wind speed, temperature, and humidity once per variable until the run's is known.
    static constexpr std::size_t kGathers = 5;
    static std::size_t GatherOf(std::size_t k, HumidityKind humidity);
    /// Whether a station's values of scalar k count in the pooled charts, as in the pooled
    /// statistics: humidity only from stations of the run's variable.
    bool Pooled(std::size_t k, HumidityKind stationHumidity) const;
    void CountHistograms(const std::vector<StationResult>& stations, unsigned threads);

    /// A station's place in one order of the report (ShownStations, FurthestStations):
    /// `group` first, then the larger `distance`, then the earlier station.
    struct Rank {
        int group = 0;
        double distance = 0;
        std::size_t index = 0;                     // in station order
        bool operator<(const Rank& other) const {  // "ranks before"
            if (group != other.group) {
                return group < other.group;
            }
            if (distance != other.distance) {
                return distance > other.distance;
            }
            return index < other.index;
        }
    };
    /// The best `capacity` ranks offered so far, as a heap with the worst on top.
    struct Selection {
        std::vector<Rank> heap;
        std::size_t capacity = 0;
        bool Takes(const Rank& rank) const { return heap.size() < capacity || rank < heap.front(); }
    };
    // Which stations are shown depends on the run's humidity variable, known only once all
    // stations are in: humidity counts for MIXR stations (1), SHUM stations (2), or for
    // none (0: no humidity, or relative humidity, which has no benchmark).
    static constexpr std::size_t kChoices = 3;
    static std::size_t ChoiceOf(HumidityKind humidity) {
        return humidity == HumidityKind::MixingRatio        ? 1
               : humidity == HumidityKind::SpecificHumidity ? 2
                                                            : 0;
    }
    /// Holds `station` (the next in station order) while some selection wants it.
    void Offer(ReportStation&& station);
    void Release(std::size_t index);
    void Compact() const;

    // The sums of one station and scalar quantity that the pooled spread needs.
    struct StationSpread {
        double n;
        double meanObserved;
        double meanPredicted;
        double sxx;
        double syy;
        double sxy;
    };
    // Wind speed, temperature, and humidity per station variable (none, MIXR, SHUM, RHUM).
    static constexpr std::size_t kSpreads = 6;
    static std::size_t SpreadOf(std::size_t k, HumidityKind humidity) {
        return k < kScalarHumidity ? k : 3 + static_cast<std::size_t>(static_cast<int>(humidity));
    }

    double calm_;
    std::array<ScatterSummary, kGathers> gathers_;
    std::size_t count_ = 0;
    std::array<bool, kSlotCount> runEvaluates_{};
    std::array<std::size_t, kChoices> outside_{};
    // Shown one by one for each choice, and labelled as furthest outside the box of wind
    // speed, direction, temperature, and humidity of MIXR and of SHUM stations.
    std::array<Selection, kChoices + 5> selections_;
    // The held records in station order, with their station indices and how many
    // selections hold them; those none holds are dropped in batches.
    mutable std::vector<ReportStation> held_;
    mutable std::vector<std::size_t> heldIndex_;
    mutable std::vector<std::uint8_t> heldBy_;
    mutable std::size_t dropped_ = 0;
    std::array<FirstPass, kSpreads> spreadTotals_{};
    std::array<std::vector<StationSpread>, kSpreads> spreads_;
};

/// The speed class of a wind rose for a speed above the calm threshold.
std::size_t RoseClass(double speed);

/// Cells of a histogram axis over `span`: about `target` of them, but each a whole number
/// of recording steps wide when the values have a known step, so that every cell holds as
/// many of the values' grid lines as its neighbours and none shows as an empty stripe.
struct HistogramCells {
    int count = 0;
    double width = 0;
};
HistogramCells ChooseHistogramCells(double span, double step, int target);

}  // namespace corvane::wxcheck
