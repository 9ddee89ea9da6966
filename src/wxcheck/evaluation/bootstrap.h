#pragma once

// Confidence intervals of the whole-period statistics by a bootstrap that resamples whole
// days (the days of the daily statistics files), so that the autocorrelation within a day
// and the diurnal cycle stay in each block. A day is reduced to a row of sums about fixed
// shifts (the period's observed means); a resample adds the rows of its days, and every
// statistic follows from those totals. The index of agreement needs the resample's own
// observed mean inside absolute values: its denominator is kept about the period's mean
// with the first- and second-order terms of its change with that mean, which is exact but
// for the pairs whose values lie between the two means.
//
// The random numbers are our own (splitmix64 seeding four xoshiro256** stepped together,
// 16-bit bounded draws by multiplication with rejection), so that a seed gives the same
// intervals with every compiler and library, with or without wide vectors, and on any
// number of threads.

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "wxcheck/evaluation/statistics.h"

namespace corvane::wxcheck {

inline constexpr int kDefaultResamples = 1000;
inline constexpr std::uint64_t kDefaultSeed = 20081;
/// With fewer days holding pairs there is no interval.
inline constexpr std::int64_t kMinimumIntervalDays = 10;

/// splitmix64: spreads a seed over the state of the generator below.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next();

private:
    std::uint64_t state_;
};

/// xoshiro256**, seeded through splitmix64.
class Xoshiro256 {
public:
    explicit Xoshiro256(std::uint64_t seed);
    /// Seeded from the next four numbers of `mix`.
    explicit Xoshiro256(SplitMix64& mix);
    std::uint64_t Next();

private:
    std::array<std::uint64_t, 4> s_{};
};

/// Four xoshiro256** generators stepped together, seeded one after the other from one
/// splitmix64 sequence of the seed. Their outputs are taken in turn (the first generator's,
/// the second's, ..., then the first's next), each as four 16-bit words from the low end;
/// a day count is well below 65536, so a bounded draw takes one word, and the four states
/// step in the lanes of one vector. Plain and wide vector code give the same numbers.
class Xoshiro256x4 {
public:
    explicit Xoshiro256x4(std::uint64_t seed);
    /// A uniform whole number in [0, n), n >= 1, without the bias of a plain modulo: the
    /// high half of a word times n, less the few low halves that would favour some results
    /// (Lemire's method; above 65536 on two words).
    std::uint32_t Below(std::uint32_t n);
    /// `count` draws of Below(n) into `out`, the same numbers as that many calls give.
    void FillBelow(std::uint32_t n, std::uint32_t* out, std::size_t count);

    static constexpr std::size_t kLanes = 4;
    static constexpr std::size_t kSteps = 64;  // steps made at once
    static constexpr std::size_t kWords = kSteps * kLanes * 4;

    /// The state of lanes (s[0][i], s[1][i], s[2][i], s[3][i]), i < kLanes.
    struct State {
        alignas(32) std::array<std::array<std::uint64_t, kLanes>, 4> s{};
    };

private:
    std::uint16_t NextWord();
    void Refill();

    State state_;
    std::array<std::uint16_t, kWords> words_{};
    std::size_t next_ = kWords;  // words_[next_] is the next word
};

/// The seed of one stream of a run: stream 0 for all stations pooled, the station's number
/// for each station.
std::uint64_t StreamSeed(std::uint64_t seed, std::uint64_t stream);

/// A 95% interval: the 2.5 and 97.5 percentiles of the resampled values; NaN when there is
/// none.
struct Interval {
    double low = kNotComputed;
    double high = kNotComputed;
    bool Known() const { return low == low && high == high; }
};

/// The statistics of a scalar quantity that carry an interval, in the order of ScalarStats.
enum ScalarInterval : int {
    kIntervalBias = 0,
    kIntervalGrossError,
    kIntervalRmse,
    kIntervalRmseSystematic,
    kIntervalRmseUnsystematic,
    kIntervalAgreement,
    kIntervalCorrelation,
    kScalarIntervals
};

struct GroupIntervals {
    /// Wind speed, temperature, humidity (ScalarIndex), each by ScalarInterval.
    std::array<std::array<Interval, kScalarIntervals>, 3> scalar{};
    Interval directionBias;
    Interval directionError;
    Interval vectorMean;
    Interval vectorRms;
    /// Days holding pairs; with fewer than kMinimumIntervalDays no interval is made.
    std::int64_t days = 0;
    /// Whether resampling was done (asked for, and days enough).
    bool made = false;
};

/// The sums of one day's pairs, as a resample adds them.
struct DayRow {
    // Per scalar quantity: n, sums of o and p (about the shift), of o^2, p^2, o p, |p - o|,
    // (p - o)^2, and the index of agreement's |p o|, s (p + o) and s with s the sign of p o.
    static constexpr std::size_t kScalarValues = 11;
    static constexpr std::size_t kDirection = 3 * kScalarValues;  // n, sum d, sum |d|
    static constexpr std::size_t kVector = kDirection + 3;        // n, sum du, sum dv, sum |d|^2
    static constexpr std::size_t kValues = kVector + 4;

    std::array<double, kValues> value{};

    void AddScalar(std::size_t k, double observed, double predicted, double shift) {
        AddScalarTo(value.data() + k * kScalarValues, observed, predicted, shift);
    }
    /// The same into the kScalarValues sums at `v`. Inline: it is added for every pair of a
    /// station twice (its own and all stations).
    static void AddScalarTo(double* v, double observed, double predicted, double shift);
    void AddDirection(double difference);
    void AddVector(const VectorSums::Term& t);
    bool Empty() const;
};

inline void DayRow::AddScalarTo(double* v, double observed, double predicted, double shift) {
    const double o = observed - shift;
    const double p = predicted - shift;
    const double d = predicted - observed;
    const double product = p * o;
    // Without branches: the signs of the pairs of a day follow no pattern a branch could
    // predict.
    const std::uint64_t negative = static_cast<std::uint64_t>(product < 0) << 63;
    const double sign = std::bit_cast<double>(std::bit_cast<std::uint64_t>(1.0) | negative);
    v[0] += 1;
    v[1] += o;
    v[2] += p;
    v[3] += o * o;
    v[4] += p * p;
    v[5] += product;
    v[6] += std::fabs(d);
    v[7] += d * d;
    v[8] += std::fabs(product);
    v[9] += std::bit_cast<double>(std::bit_cast<std::uint64_t>(p + o) ^ negative);
    v[10] += sign;
}

/// The direction and vector part of a day's row (from DayRow::kDirection on), with the
/// day's number in the period.
struct DayWind {
    static constexpr std::size_t kValues = DayRow::kValues - DayRow::kDirection;
    std::int64_t day = 0;
    std::array<float, kValues> value{};
};

/// The rows of the days that hold pairs, in day order, in single precision: a row is added
/// a thousand times a day, and its sums about the period's means lose nothing that the four
/// printed decimals of an interval show.
class DayTable {
public:
    void Append(const DayRow& row);
    std::size_t Days() const { return rows_.size() / DayRow::kValues; }
    const float* Row(std::size_t day) const { return rows_.data() + day * DayRow::kValues; }
    /// Days whose row holds pairs of scalar k, of the direction or of the vector error.
    std::int64_t ScalarDays(std::size_t k) const;
    std::int64_t DirectionDays() const { return CountDays(DayRow::kDirection); }
    std::int64_t VectorDays() const { return CountDays(DayRow::kVector); }

private:
    std::int64_t CountDays(std::size_t column) const;
    std::vector<float> rows_;
};

/// The statistics a resample gives, in this order: per scalar quantity (ScalarIndex) its
/// ScalarInterval statistics, then the direction's bias and gross error, then the mean and
/// the root mean square vector error.
inline constexpr std::size_t kResampledStatistics = 3 * kScalarIntervals + 4;
inline constexpr std::size_t kResampledDirection = 3 * kScalarIntervals;
inline constexpr std::size_t kResampledVector = kResampledDirection + 2;

/// Every statistic of every resample: values[statistic][resample], NaN where a resample
/// cannot compute it.
using ResampledValues = std::vector<std::vector<double>>;

/// The statistics of `resamples` resamples of the table's days with replacement (as many
/// days as it has), drawn from `seed` (StreamSeed). Tables with the same number of days
/// resampled from the same seed get the same days, which pairs their statistics.
ResampledValues ResampleDays(const DayTable& table, int resamples, std::uint64_t seed);

/// The 95% percentile interval of one statistic's resampled values (reordered, NaN dropped);
/// none when most resamples cannot compute it.
Interval IntervalOf(std::vector<double>& values, std::size_t resamples);

/// The 95% intervals of the table's statistics from its resampled values (ResampleDays of
/// `resamples` resamples; the values are reordered). A quantity with pairs on fewer than
/// `minimumDays` days has none.
GroupIntervals IntervalsFromResamples(const DayTable& table, ResampledValues& values, int resamples,
                                      std::int64_t minimumDays = kMinimumIntervalDays);

/// The 95% intervals of the table's statistics from `resamples` resamples of its days with
/// replacement (as many days as it has), drawn from `seed` (StreamSeed). A quantity with
/// pairs on fewer than `minimumDays` days has none.
GroupIntervals BootstrapIntervals(const DayTable& table, int resamples, std::uint64_t seed,
                                  std::int64_t minimumDays = kMinimumIntervalDays);

/// The percentile p (0 to 1) of `values` (reordered), linear between the nearest two of the
/// sorted values.
double Percentile(std::vector<double>& values, double p);
/// The same, in one pass and without reordering, for p near 0 or 1.
double PercentileFromEnd(const std::vector<double>& values, double p);

}  // namespace corvane::wxcheck
