#include "wxcheck/evaluation/bootstrap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

namespace corvane::wxcheck {

std::uint64_t SplitMix64::Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

Xoshiro256::Xoshiro256(std::uint64_t seed) {
    SplitMix64 mix(seed);
    for (std::uint64_t& word : s_) {
        word = mix.Next();
    }
}

namespace {
std::uint64_t RotateLeft(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}
}  // namespace

std::uint64_t Xoshiro256::Next() {
    const std::uint64_t result = RotateLeft(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = RotateLeft(s_[3], 45);
    return result;
}

std::uint32_t Xoshiro256::Next32() {
    if (haveSpare_) {
        haveSpare_ = false;
        return static_cast<std::uint32_t>(spare_ >> 32);
    }
    spare_ = Next();
    haveSpare_ = true;
    return static_cast<std::uint32_t>(spare_);
}

std::uint32_t Xoshiro256::Below(std::uint32_t n) {
    // The high word of a 32 x 32 bit product, less the few low words that would favour
    // some results (Lemire's method).
    std::uint64_t m = static_cast<std::uint64_t>(Next32()) * n;
    if (static_cast<std::uint32_t>(m) < n) {
        const std::uint32_t threshold = static_cast<std::uint32_t>(-n) % n;
        while (static_cast<std::uint32_t>(m) < threshold) {
            m = static_cast<std::uint64_t>(Next32()) * n;
        }
    }
    return static_cast<std::uint32_t>(m >> 32);
}

void Xoshiro256::FillBelow(std::uint32_t n, std::uint32_t* out, std::size_t count) {
    // Below, inlined: a day is drawn a thousand times for every day of a station.
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t word;
        if (haveSpare_) {
            haveSpare_ = false;
            word = static_cast<std::uint32_t>(spare_ >> 32);
        } else {
            spare_ = Next();
            haveSpare_ = true;
            word = static_cast<std::uint32_t>(spare_);
        }
        std::uint64_t m = static_cast<std::uint64_t>(word) * n;
        if (static_cast<std::uint32_t>(m) < n) {
            const std::uint32_t threshold = static_cast<std::uint32_t>(-n) % n;
            while (static_cast<std::uint32_t>(m) < threshold) {
                m = static_cast<std::uint64_t>(Next32()) * n;
            }
        }
        out[i] = static_cast<std::uint32_t>(m >> 32);
    }
}

std::uint64_t StreamSeed(std::uint64_t seed, std::uint64_t stream) {
    SplitMix64 mix(seed ^ (stream * 0xd1342543de82ef95ull));
    mix.Next();
    return mix.Next();
}

void DayRow::AddScalar(std::size_t k, double observed, double predicted, double shift) {
    double* v = value.data() + k * kScalarValues;
    const double o = observed - shift;
    const double p = predicted - shift;
    const double d = predicted - observed;
    const double product = p * o;
    const double sign = product < 0 ? -1.0 : 1.0;
    v[0] += 1;
    v[1] += o;
    v[2] += p;
    v[3] += o * o;
    v[4] += p * p;
    v[5] += product;
    v[6] += d < 0 ? -d : d;
    v[7] += d * d;
    v[8] += sign * product;
    v[9] += sign * (p + o);
    v[10] += sign;
}

void DayRow::AddDirection(double difference) {
    value[kDirection] += 1;
    value[kDirection + 1] += difference;
    value[kDirection + 2] += difference < 0 ? -difference : difference;
}

void DayRow::AddVector(const VectorSums::Term& t) {
    value[kVector] += 1;
    value[kVector + 1] += t.u;
    value[kVector + 2] += t.v;
    value[kVector + 3] += t.u * t.u + t.v * t.v;
}

bool DayRow::Empty() const {
    return value[0] == 0 && value[kScalarValues] == 0 && value[2 * kScalarValues] == 0 &&
           value[kDirection] == 0 && value[kVector] == 0;
}

void DayTable::Append(const DayRow& row) {
    if (row.Empty()) {
        return;
    }
    for (const double v : row.value) {
        rows_.push_back(static_cast<float>(v));
    }
}

std::int64_t DayTable::ScalarDays(std::size_t k) const {
    return CountDays(k * DayRow::kScalarValues);
}

std::int64_t DayTable::CountDays(std::size_t column) const {
    std::int64_t days = 0;
    for (std::size_t d = 0; d < Days(); ++d) {
        days += Row(d)[column] > 0 ? 1 : 0;
    }
    return days;
}

double Percentile(std::vector<double>& values, double p) {
    if (values.empty()) {
        return kNotComputed;
    }
    const double position = p * static_cast<double>(values.size() - 1);
    const std::size_t below = static_cast<std::size_t>(position);
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(below);
    std::nth_element(values.begin(), at, values.end());
    const double low = *at;
    if (below + 1 >= values.size()) {
        return low;
    }
    const double high = *std::min_element(at + 1, values.end());
    return low + (position - static_cast<double>(below)) * (high - low);
}

namespace {

// The totals of the drawn rows, `Width` floats added at once: a row's forty sums stay in
// registers. Each total is summed in the order of the draws whatever the width, so the
// wider additions of a processor that has them give the same bytes sooner.
template <typename Lanes, std::size_t Width>
inline void SumRows(const float* rows, const std::uint32_t* drawn, std::size_t count, float* sum) {
    constexpr std::size_t kBlocks = DayRow::kValues / Width;
    static_assert(DayRow::kValues % Width == 0, "a row is a whole number of lanes");
    Lanes total[kBlocks] = {};
    for (std::size_t j = 0; j < count; ++j) {
        const float* row = rows + static_cast<std::size_t>(drawn[j]) * DayRow::kValues;
        for (std::size_t l = 0; l < kBlocks; ++l) {
            Lanes lanes;
            std::memcpy(&lanes, row + l * Width, sizeof lanes);
            total[l] += lanes;
        }
    }
    std::memcpy(sum, total, sizeof total);
}

using Lanes4 = float __attribute__((vector_size(4 * sizeof(float))));

void SumDrawn(const float* rows, const std::uint32_t* drawn, std::size_t count, float* sum) {
    SumRows<Lanes4, 4>(rows, drawn, count, sum);
}

#if defined(__x86_64__) && defined(__GNUC__)
using Lanes8 = float __attribute__((vector_size(8 * sizeof(float))));

__attribute__((target("avx"))) void SumDrawnWide(const float* rows, const std::uint32_t* drawn,
                                                 std::size_t count, float* sum) {
    SumRows<Lanes8, 8>(rows, drawn, count, sum);
}
#endif

void SumDrawnRows(const float* rows, const std::uint32_t* drawn, std::size_t count, float* sum) {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool wide = (__builtin_cpu_init(), __builtin_cpu_supports("avx") != 0);
    if (wide) {
        SumDrawnWide(rows, drawn, count, sum);
        return;
    }
#endif
    SumDrawn(rows, drawn, count, sum);
}

// The statistics of one resample from its totals, in the order of the values collected.
constexpr std::size_t kStatistics = kResampledStatistics;

void StatisticsOf(const std::array<double, DayRow::kValues>& t,
                  std::array<double, kStatistics>& out) {
    out.fill(kNotComputed);
    for (std::size_t k = 0; k < 3; ++k) {
        const double* v = t.data() + k * DayRow::kScalarValues;
        double* s = out.data() + k * kScalarIntervals;
        const double n = v[0];
        if (n < 1) {
            continue;
        }
        const double meanO = v[1] / n;
        const double meanP = v[2] / n;
        s[kIntervalBias] = meanP - meanO;
        s[kIntervalGrossError] = v[6] / n;
        s[kIntervalRmse] = std::sqrt(v[7] / n);
        if (n < 2) {
            continue;
        }
        const double sxx = v[3] - v[1] * meanO;
        const double syy = v[4] - v[2] * meanP;
        const double sxy = v[5] - v[1] * meanP;
        // A spread below the rounding of the sums is none.
        const bool observedSpread = sxx > 1e-9 * v[3];
        const bool predictedSpread = syy > 1e-9 * v[4];
        if (observedSpread) {
            const double b = sxy / sxx;
            const double bias = meanP - meanO;
            const double systematic = bias * bias + (b - 1) * (b - 1) * sxx / n;
            const double unsystematic = (syy - b * sxy) / n;
            s[kIntervalRmseSystematic] = std::sqrt(systematic > 0 ? systematic : 0.0);
            s[kIntervalRmseUnsystematic] = std::sqrt(unsystematic > 0 ? unsystematic : 0.0);
            if (predictedSpread) {
                s[kIntervalCorrelation] = sxy / std::sqrt(sxx * syy);
            }
        }
        // About the resample's observed mean, delta from the shift: sum (p - delta)^2 and
        // sum (o - delta)^2 exactly, sum |(p - delta)(o - delta)| by the terms kept.
        const double delta = meanO;
        const double denominator = (v[4] - 2 * delta * v[2] + n * delta * delta) +
                                   (v[3] - 2 * delta * v[1] + n * delta * delta) +
                                   2 * (v[8] - delta * v[9] + delta * delta * v[10]);
        if (denominator > 0 && (observedSpread || predictedSpread || v[7] > 0)) {
            s[kIntervalAgreement] = 1.0 - v[7] / denominator;
        }
    }
    double* rest = out.data() + 3 * kScalarIntervals;
    if (const double n = t[DayRow::kDirection]; n >= 1) {
        rest[0] = t[DayRow::kDirection + 1] / n;
        rest[1] = t[DayRow::kDirection + 2] / n;
    }
    if (const double n = t[DayRow::kVector]; n >= 1) {
        rest[2] = std::hypot(t[DayRow::kVector + 1] / n, t[DayRow::kVector + 2] / n);
        rest[3] = std::sqrt(t[DayRow::kVector + 3] / n);
    }
}

// The k-th and (k+1)-th smallest (or largest) values, k counted from 0, from a heap of the
// k + 2 nearest the end: one pass, where a selection would go over the values several times.
std::pair<double, double> NearEnd(const std::vector<double>& values, std::size_t k, bool largest) {
    const auto before = [largest](double a, double b) { return largest ? a > b : a < b; };
    std::vector<double> heap;
    heap.reserve(k + 2);
    for (const double v : values) {
        if (heap.size() < k + 2) {
            heap.push_back(v);
            std::push_heap(heap.begin(), heap.end(), before);
        } else if (before(v, heap.front())) {
            std::pop_heap(heap.begin(), heap.end(), before);
            heap.back() = v;
            std::push_heap(heap.begin(), heap.end(), before);
        }
    }
    std::sort_heap(heap.begin(), heap.end(), before);
    return {heap[std::min(k, heap.size() - 1)], heap[std::min(k + 1, heap.size() - 1)]};
}

}  // namespace

double PercentileFromEnd(const std::vector<double>& values, double p) {
    if (values.empty()) {
        return kNotComputed;
    }
    const std::size_t last = values.size() - 1;
    const double position = p * static_cast<double>(last);
    const std::size_t below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, last);
    double low = 0;
    double high = 0;
    if (p <= 0.5) {
        std::tie(low, high) = NearEnd(values, below, false);
    } else {
        // Counted from the top, `above` is the nearer of the two.
        std::tie(high, low) = NearEnd(values, last - above, true);
        if (above == below) {
            low = high;
        }
    }
    return low + (position - static_cast<double>(below)) * (high - low);
}

Interval IntervalOf(std::vector<double>& values, std::size_t resamples) {
    values.erase(
        std::remove_if(values.begin(), values.end(), [](double v) { return !std::isfinite(v); }),
        values.end());
    // A statistic that most resamples cannot compute has no interval.
    if (values.size() * 2 < resamples || values.empty()) {
        return {};
    }
    Interval interval;
    interval.low = PercentileFromEnd(values, 0.025);
    interval.high = PercentileFromEnd(values, 0.975);
    return interval;
}

ResampledValues ResampleDays(const DayTable& table, int resamples, std::uint64_t seed) {
    const std::size_t days = table.Days();
    const std::size_t count = resamples > 0 ? static_cast<std::size_t>(resamples) : 0;
    ResampledValues values(kStatistics, std::vector<double>(days > 0 ? count : 0));
    if (days == 0) {
        return values;
    }
    Xoshiro256 random(seed);
    const float* rows = table.Row(0);
    std::array<double, DayRow::kValues> totals{};
    std::array<double, kStatistics> statistics{};
    // The days of a resample are drawn first, so that the additions run unbroken.
    std::vector<std::uint32_t> drawn(days);
    for (std::size_t b = 0; b < count; ++b) {
        random.FillBelow(static_cast<std::uint32_t>(days), drawn.data(), days);
        float sum[DayRow::kValues];
        SumDrawnRows(rows, drawn.data(), days, sum);
        for (std::size_t v = 0; v < DayRow::kValues; ++v) {
            totals[v] = static_cast<double>(sum[v]);
        }
        StatisticsOf(totals, statistics);
        for (std::size_t s = 0; s < kStatistics; ++s) {
            values[s][b] = statistics[s];
        }
    }
    return values;
}

GroupIntervals IntervalsFromResamples(const DayTable& table, ResampledValues& values, int resamples,
                                      std::int64_t minimumDays) {
    GroupIntervals result;
    result.days = static_cast<std::int64_t>(table.Days());
    if (resamples <= 0 || result.days < minimumDays || result.days == 0) {
        return result;
    }
    result.made = true;
    const std::size_t count = static_cast<std::size_t>(resamples);
    for (std::size_t k = 0; k < 3; ++k) {
        if (table.ScalarDays(k) < minimumDays) {
            continue;
        }
        for (std::size_t i = 0; i < kScalarIntervals; ++i) {
            result.scalar[k][i] = IntervalOf(values[k * kScalarIntervals + i], count);
        }
    }
    if (table.DirectionDays() >= minimumDays) {
        result.directionBias = IntervalOf(values[kResampledDirection], count);
        result.directionError = IntervalOf(values[kResampledDirection + 1], count);
    }
    if (table.VectorDays() >= minimumDays) {
        result.vectorMean = IntervalOf(values[kResampledVector], count);
        result.vectorRms = IntervalOf(values[kResampledVector + 1], count);
    }
    return result;
}

GroupIntervals BootstrapIntervals(const DayTable& table, int resamples, std::uint64_t seed,
                                  std::int64_t minimumDays) {
    const auto days = static_cast<std::int64_t>(table.Days());
    if (resamples <= 0 || days < minimumDays || days == 0) {
        GroupIntervals none;
        none.days = days;
        return none;
    }
    ResampledValues values = ResampleDays(table, resamples, seed);
    return IntervalsFromResamples(table, values, resamples, minimumDays);
}

}  // namespace corvane::wxcheck
