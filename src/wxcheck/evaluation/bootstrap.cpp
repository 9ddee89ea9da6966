#include "wxcheck/evaluation/bootstrap.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
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

Xoshiro256::Xoshiro256(SplitMix64& mix) {
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

Xoshiro256x4::Xoshiro256x4(std::uint64_t seed) {
    SplitMix64 mix(seed);
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
        for (auto& word : state_.s) {
            word[lane] = mix.Next();
        }
    }
}

namespace {

using U64x4 = std::uint64_t __attribute__((vector_size(4 * sizeof(std::uint64_t))));
static_assert(Xoshiro256x4::kLanes == 4, "a lane of U64x4 per generator");

// kSteps steps of the four generators, as Xoshiro256::Next in the lanes of one vector (the
// products by 5 and 9 as shifts and sums, which every vector unit has); generator i's
// output of step t goes to out[4 t + i].
[[gnu::always_inline]] inline void StepLanes(Xoshiro256x4::State& state, std::uint64_t* out) {
    U64x4 s0, s1, s2, s3;
    std::memcpy(&s0, state.s[0].data(), sizeof s0);
    std::memcpy(&s1, state.s[1].data(), sizeof s1);
    std::memcpy(&s2, state.s[2].data(), sizeof s2);
    std::memcpy(&s3, state.s[3].data(), sizeof s3);
    for (std::size_t t = 0; t < Xoshiro256x4::kSteps; ++t) {
        U64x4 x = s1 + (s1 << 2);
        x = (x << 7) | (x >> 57);
        x = x + (x << 3);
        std::memcpy(out + t * 4, &x, sizeof x);
        const U64x4 shifted = s1 << 17;
        s2 ^= s0;
        s3 ^= s1;
        s1 ^= s2;
        s0 ^= s3;
        s2 ^= shifted;
        s3 = (s3 << 45) | (s3 >> 19);
    }
    std::memcpy(state.s[0].data(), &s0, sizeof s0);
    std::memcpy(state.s[1].data(), &s1, sizeof s1);
    std::memcpy(state.s[2].data(), &s2, sizeof s2);
    std::memcpy(state.s[3].data(), &s3, sizeof s3);
}

// Draws below n <= 65536, 16 at a time from 16 words, while a whole chunk is accepted and
// there are words and room for one: the words and draws taken. A chunk with a rejected
// word is left to be drawn one word at a time.
constexpr std::size_t kChunk = 16;

using U16x8 = std::uint16_t __attribute__((vector_size(8 * sizeof(std::uint16_t))));
using U32x8 = std::uint32_t __attribute__((vector_size(8 * sizeof(std::uint32_t))));
using I32x8 = std::int32_t __attribute__((vector_size(8 * sizeof(std::int32_t))));

[[gnu::always_inline]] inline std::size_t DrawAccepted(const std::uint16_t* words,
                                                       std::size_t available, std::uint32_t n,
                                                       std::uint32_t threshold, std::uint32_t* out,
                                                       std::size_t room) {
    std::size_t taken = 0;
    while (available - taken >= kChunk && room - taken >= kChunk) {
        I32x8 rejected = {};
        for (std::size_t h = 0; h < kChunk; h += 8) {
            U16x8 word;
            std::memcpy(&word, words + taken + h, sizeof word);
            const U32x8 m = __builtin_convertvector(word, U32x8) * n;
            const U32x8 high = m >> 16;
            std::memcpy(out + taken + h, &high, sizeof high);
            rejected |= (m & 0xffffu) < threshold;
        }
        std::uint64_t any[4];
        std::memcpy(any, &rejected, sizeof any);
        if ((any[0] | any[1] | any[2] | any[3]) != 0) {
            break;
        }
        taken += kChunk;
    }
    return taken;
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void StepLanesWide(Xoshiro256x4::State& state, std::uint64_t* out) {
    StepLanes(state, out);
}

__attribute__((target("avx2"))) std::size_t DrawAcceptedWide(const std::uint16_t* words,
                                                             std::size_t available, std::uint32_t n,
                                                             std::uint32_t threshold,
                                                             std::uint32_t* out, std::size_t room) {
    return DrawAccepted(words, available, n, threshold, out, room);
}

bool HaveAvx2() {
    static const bool avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);
    return avx2;
}
#endif

}  // namespace

void Xoshiro256x4::Refill() {
    std::array<std::uint64_t, kSteps * kLanes> outputs;
#if defined(__x86_64__) && defined(__GNUC__)
    if (HaveAvx2()) {
        StepLanesWide(state_, outputs.data());
    } else {
        StepLanes(state_, outputs.data());
    }
#else
    StepLanes(state_, outputs.data());
#endif
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(words_.data(), outputs.data(), sizeof outputs);
    } else {
        for (std::size_t j = 0; j < kWords; ++j) {
            words_[j] = static_cast<std::uint16_t>(outputs[j / 4] >> (16 * (j % 4)));
        }
    }
    next_ = 0;
}

std::uint16_t Xoshiro256x4::NextWord() {
    if (next_ == kWords) {
        Refill();
    }
    return words_[next_++];
}

std::uint32_t Xoshiro256x4::Below(std::uint32_t n) {
    if (n <= 65536) {
        std::uint32_t m = static_cast<std::uint32_t>(NextWord()) * n;
        if ((m & 0xffffu) < n) {
            const std::uint32_t threshold = (65536u - n) % n;
            while ((m & 0xffffu) < threshold) {
                m = static_cast<std::uint32_t>(NextWord()) * n;
            }
        }
        return m >> 16;
    }
    const auto word = [this] {
        const std::uint32_t low = NextWord();
        return low | (static_cast<std::uint32_t>(NextWord()) << 16);
    };
    std::uint64_t m = static_cast<std::uint64_t>(word()) * n;
    if (static_cast<std::uint32_t>(m) < n) {
        const std::uint32_t threshold = static_cast<std::uint32_t>(-n) % n;
        while (static_cast<std::uint32_t>(m) < threshold) {
            m = static_cast<std::uint64_t>(word()) * n;
        }
    }
    return static_cast<std::uint32_t>(m >> 32);
}

void Xoshiro256x4::FillBelow(std::uint32_t n, std::uint32_t* out, std::size_t count) {
    if (n == 0 || n > 65536) {
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = n == 0 ? 0 : Below(n);
        }
        return;
    }
    // Below, a chunk of words at a time: a day is drawn a thousand times for every day of a
    // station. Each word is looked at once, in order, as Below does.
    const std::uint32_t threshold = (65536u - n) % n;
    std::size_t i = 0;
    while (i < count) {
        if (next_ == kWords) {
            Refill();
        }
#if defined(__x86_64__) && defined(__GNUC__)
        const std::size_t taken = HaveAvx2()
                                      ? DrawAcceptedWide(words_.data() + next_, kWords - next_, n,
                                                         threshold, out + i, count - i)
                                      : DrawAccepted(words_.data() + next_, kWords - next_, n,
                                                     threshold, out + i, count - i);
#else
        const std::size_t taken =
            DrawAccepted(words_.data() + next_, kWords - next_, n, threshold, out + i, count - i);
#endif
        next_ += taken;
        i += taken;
        // A chunk with a rejected word, or the last words of the buffer or last draws.
        const std::size_t end = std::min(kWords, next_ + kChunk);
        while (next_ < end && i < count) {
            const std::uint32_t m = static_cast<std::uint32_t>(words_[next_++]) * n;
            if ((m & 0xffffu) >= threshold) {
                out[i++] = m >> 16;
            }
        }
    }
}

std::uint64_t StreamSeed(std::uint64_t seed, std::uint64_t stream) {
    SplitMix64 mix(seed ^ (stream * 0xd1342543de82ef95ull));
    mix.Next();
    return mix.Next();
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
// registers, in two sets (the draws taken in turn), so that an addition need not wait for
// the one before. Always inlined: a copy of its own would not have the wide registers of
// its caller. Each total is summed in the same order whatever the width, so the wider
// additions of a processor that has them give the same bytes sooner.
template <typename Lanes, std::size_t Width>
[[gnu::always_inline]] inline void SumRows(const float* rows, const std::uint32_t* drawn,
                                           std::size_t count, float* sum) {
    constexpr std::size_t kBlocks = DayRow::kValues / Width;
    static_assert(DayRow::kValues % Width == 0, "a row is a whole number of lanes");
    Lanes even[kBlocks] = {};
    Lanes odd[kBlocks] = {};
    std::size_t j = 0;
    for (; j + 1 < count; j += 2) {
        const float* first = rows + static_cast<std::size_t>(drawn[j]) * DayRow::kValues;
        const float* second = rows + static_cast<std::size_t>(drawn[j + 1]) * DayRow::kValues;
        for (std::size_t l = 0; l < kBlocks; ++l) {
            Lanes lanes;
            std::memcpy(&lanes, first + l * Width, sizeof lanes);
            even[l] += lanes;
            std::memcpy(&lanes, second + l * Width, sizeof lanes);
            odd[l] += lanes;
        }
    }
    if (j < count) {
        const float* last = rows + static_cast<std::size_t>(drawn[j]) * DayRow::kValues;
        for (std::size_t l = 0; l < kBlocks; ++l) {
            Lanes lanes;
            std::memcpy(&lanes, last + l * Width, sizeof lanes);
            even[l] += lanes;
        }
    }
    for (std::size_t l = 0; l < kBlocks; ++l) {
        even[l] += odd[l];
    }
    std::memcpy(sum, even, sizeof even);
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
        // One division: a thousand resamples of every station are reduced so.
        const double perPair = 1.0 / n;
        const double meanO = v[1] * perPair;
        const double meanP = v[2] * perPair;
        s[kIntervalBias] = meanP - meanO;
        s[kIntervalGrossError] = v[6] * perPair;
        s[kIntervalRmse] = std::sqrt(v[7] * perPair);
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
            const double systematic = bias * bias + (b - 1) * (b - 1) * sxx * perPair;
            const double unsystematic = (syy - b * sxy) * perPair;
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
        // The totals are sums of single-precision values: their squares cannot overflow,
        // so hypot's care is not needed.
        const double u = t[DayRow::kVector + 1] / n;
        const double v = t[DayRow::kVector + 2] / n;
        rest[2] = std::sqrt(u * u + v * v);
        rest[3] = std::sqrt(t[DayRow::kVector + 3] / n);
    }
}

// The k-th and (k+1)-th values in the order `before` (k counted from 0), selected among
// those not after a bound: a value of a sample of the first values that twice the expected
// share of the sample and some come before, so that the k + 2 values nearest the end are
// very likely all within it. One pass that only copies, and a selection among a few, where
// a selection among all would go over them several times; when fewer than k + 2 values
// come within the bound, among all of them.
template <typename Before>
std::pair<double, double> NearEnd(const std::vector<double>& values, std::size_t k, Before before) {
    const std::size_t need = std::min(k + 2, values.size());
    constexpr std::size_t kSample = 128;
    // Not a vector: its values would be set twice.
    std::unique_ptr<double[]> candidates(new double[values.size()]);
    std::size_t count = 0;
    if (values.size() >= 4 * kSample && need * 16 <= values.size()) {
        std::array<double, kSample> sample;
        std::copy_n(values.begin(), kSample, sample.begin());
        const std::size_t rank = std::min(kSample - 1, 2 * need * kSample / values.size() + 4);
        std::nth_element(sample.begin(), sample.begin() + static_cast<std::ptrdiff_t>(rank),
                         sample.end(), before);
        const double bound = sample[rank];
        for (const double v : values) {
            candidates[count] = v;
            count += before(bound, v) ? 0 : 1;
        }
    }
    if (count < need) {
        count = values.size();
        std::copy(values.begin(), values.end(), candidates.get());
    }
    double* const end = candidates.get() + count;
    double* const at = candidates.get() + k;
    std::nth_element(candidates.get(), at, end, before);
    return {*at, at + 1 == end ? *at : *std::min_element(at + 1, end, before)};
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
        std::tie(low, high) = NearEnd(values, below, std::less<double>());
    } else {
        // Counted from the top, `above` is the nearer of the two.
        std::tie(high, low) = NearEnd(values, last - above, std::greater<double>());
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
    Xoshiro256x4 random(seed);
    const float* rows = table.Row(0);
    std::array<double, DayRow::kValues> totals{};
    std::array<double, kStatistics> statistics{};
    // The days of a few resamples are drawn first (the same days as drawn one resample at a
    // time), so that the draws and the additions each run unbroken.
    constexpr std::size_t kBatch = 8;
    std::vector<std::uint32_t> drawn(days * std::min(kBatch, count));
    for (std::size_t b = 0; b < count; b += kBatch) {
        const std::size_t batch = std::min(kBatch, count - b);
        random.FillBelow(static_cast<std::uint32_t>(days), drawn.data(), days * batch);
        for (std::size_t r = 0; r < batch; ++r) {
            float sum[DayRow::kValues];
            SumDrawnRows(rows, drawn.data() + r * days, days, sum);
            for (std::size_t v = 0; v < DayRow::kValues; ++v) {
                totals[v] = static_cast<double>(sum[v]);
            }
            StatisticsOf(totals, statistics);
            for (std::size_t s = 0; s < kStatistics; ++s) {
                values[s][b + r] = statistics[s];
            }
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
