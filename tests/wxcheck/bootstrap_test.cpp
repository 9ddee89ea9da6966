#include "wxcheck/evaluation/bootstrap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "wxcheck/evaluation/benchmarks.h"
#include "wxcheck/evaluation/day_intervals.h"

namespace corvane::wxcheck {
namespace {

struct Pair {
    double observed, predicted;
};

// A day's pairs of wind speed (scalar 0), also as direction differences and vectors.
DayRow RowOf(const std::vector<Pair>& pairs, double shift) {
    DayRow row;
    for (const Pair& p : pairs) {
        row.AddScalar(0, p.observed, p.predicted, shift);
        row.AddDirection(p.predicted - p.observed);
        row.AddVector(VectorSums::TermOf(p.observed, 0, p.predicted, 90));
    }
    return row;
}

ScalarStats Exact(const std::vector<Pair>& pairs) {
    FirstPass first;
    for (const Pair& p : pairs) {
        first.Add(p.observed, p.predicted);
    }
    SecondPass second;
    for (const Pair& p : pairs) {
        second.Add(p.observed, p.predicted, first.MeanObserved(), first.MeanPredicted());
    }
    return FinishScalar(first, second);
}

std::array<double, kScalarIntervals> Values(const ScalarStats& s) {
    return {s.bias,      s.grossError, s.rmse, s.rmseSystematic, s.rmseUnsystematic,
            s.agreement, s.correlation};
}

// Observed means 4.5 and 6, together 5.25; no value lies between those means, where the
// index of agreement's terms would be approximate.
const std::vector<Pair> kDayOne = {{0, 1}, {1, 0.5}, {9, 10}, {8, 9}};
const std::vector<Pair> kDayTwo = {{0, 1}, {12, 11}, {1, 2}, {11, 12}};

// With one day every resample is that day: the interval is the day's value. Days repeated
// alike give intervals of no width.
TEST(WxcheckBootstrap, OneDayOrIdenticalDaysLeaveNothingToChance) {
    DayTable one;
    one.Append(RowOf(kDayOne, 4.5));
    const GroupIntervals single = BootstrapIntervals(one, 200, 7, 1);
    ASSERT_TRUE(single.made);
    const auto exact = Values(Exact(kDayOne));
    for (std::size_t i = 0; i < kScalarIntervals; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(single.scalar[0][i].low, exact[i], 1e-5);
        EXPECT_NEAR(single.scalar[0][i].high, exact[i], 1e-5);
    }

    DayTable same;
    for (int d = 0; d < 12; ++d) {
        same.Append(RowOf(kDayTwo, 5.0));
    }
    const GroupIntervals flat = BootstrapIntervals(same, 300, 7);
    ASSERT_TRUE(flat.made);
    std::vector<Interval> all(flat.scalar[0].begin(), flat.scalar[0].end());
    all.insert(all.end(),
               {flat.directionBias, flat.directionError, flat.vectorMean, flat.vectorRms});
    for (const Interval& i : all) {
        EXPECT_TRUE(i.Known());
        EXPECT_EQ(i.low, i.high);
    }
    // Temperature and humidity have no pairs: no interval.
    EXPECT_FALSE(flat.scalar[1][kIntervalBias].Known());
}

// Two different days give three kinds of resample (one day twice, or both); the 2.5 and
// 97.5 percentiles of a thousand are the extremes among them, each the statistic of those
// pairs as a group. The index of agreement's observed mean moves with the resample: its
// terms carry that exactly here, since no value lies between the means.
TEST(WxcheckBootstrap, ResamplesGiveTheStatisticsOfTheirDays) {
    std::vector<Pair> both = kDayOne;
    both.insert(both.end(), kDayTwo.begin(), kDayTwo.end());
    const double shift = Exact(both).meanObserved;
    DayTable table;
    table.Append(RowOf(kDayOne, shift));
    table.Append(RowOf(kDayTwo, shift));
    const GroupIntervals g = BootstrapIntervals(table, 1000, 3, 2);
    ASSERT_TRUE(g.made);
    const auto one = Values(Exact(kDayOne));
    const auto two = Values(Exact(kDayTwo));
    const auto mixed = Values(Exact(both));
    for (std::size_t i = 0; i < kScalarIntervals; ++i) {
        SCOPED_TRACE(i);
        const double tolerance = 1e-5;
        EXPECT_NEAR(g.scalar[0][i].low, std::min({one[i], two[i], mixed[i]}), tolerance);
        EXPECT_NEAR(g.scalar[0][i].high, std::max({one[i], two[i], mixed[i]}), tolerance);
    }
    // A day short of the least number gives no interval; the same seed the same bounds.
    EXPECT_FALSE(BootstrapIntervals(table, 1000, 3, 3).made);
    const GroupIntervals again = BootstrapIntervals(table, 1000, 3, 2);
    EXPECT_EQ(again.scalar[0][kIntervalRmse].low, g.scalar[0][kIntervalRmse].low);
}

// All stations pooled, when there is one, are that station's days: over forty days, so that
// the pooled days are gathered in more than one block.
TEST(WxcheckBootstrap, OneStationPooledHasTheStationsDays) {
    ControlSettings settings;
    settings.start = 1199145600;  // 2008-01-01 00:00
    settings.end = settings.start + 40 * 86400;
    StationResult station;
    station.evaluated = true;
    station.partials.resize(1);
    for (std::int32_t hour = 1; hour <= 40 * 24; ++hour) {
        const int day = (hour - 1) / 24;
        const double observed = 3 + day % 7 + (hour % 24) * 0.1;
        const double predicted = observed + (day % 3) * 0.5 - 0.4;
        KeptPair pair;
        pair.hour = hour;
        pair.flags = kEndsOnTheHour;
        for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
            pair.SetUnused(slot);
        }
        pair.Set(kSpeed, observed, predicted);
        station.kept.push_back(pair);
        station.partials[0].first[0].Add(observed, predicted);
    }
    PooledResults pooled;
    pooled.all.resize(1);
    pooled.all[0].scalar[0].n = station.partials[0].first[0].n;
    pooled.all[0].scalar[0].meanObserved = station.partials[0].first[0].MeanObserved();
    const DayTable own = StationDayTable(settings, station);
    for (const unsigned threads : {1u, 3u}) {
        const DayTable all = PooledDayTable(settings, {station}, pooled, threads);
        ASSERT_EQ(all.Days(), 40u);
        ASSERT_EQ(own.Days(), 40u);
        for (std::size_t d = 0; d < own.Days(); ++d) {
            ASSERT_TRUE(std::equal(own.Row(d), own.Row(d) + DayRow::kValues, all.Row(d))) << d;
        }
    }
}

TEST(WxcheckBootstrap, PercentilesAndBoundedDrawsAreExact) {
    std::vector<double> values = {5, 1, 4, 2, 3};
    EXPECT_DOUBLE_EQ(Percentile(values, 0.0), 1);
    EXPECT_DOUBLE_EQ(Percentile(values, 0.5), 3);
    EXPECT_DOUBLE_EQ(Percentile(values, 0.625), 3.5);  // position 2.5
    EXPECT_DOUBLE_EQ(Percentile(values, 1.0), 5);
    // From either end the same, ties and all, also where the first values are the least or
    // the greatest ones.
    std::mt19937 shuffle(5);
    for (const std::size_t size : {1u, 2u, 40u, 1000u, 5000u}) {
        std::vector<double> many(size);
        for (double& v : many) {
            v = static_cast<double>(shuffle() % 97);
        }
        for (int order = 0; order < 3; ++order) {
            if (order == 1) {
                std::sort(many.begin(), many.end());
            } else if (order == 2) {
                std::reverse(many.begin(), many.end());
            }
            for (const double p : {0.0, 0.025, 0.3, 0.975, 1.0}) {
                std::vector<double> copy = many;
                EXPECT_EQ(PercentileFromEnd(many, p), Percentile(copy, p))
                    << size << " " << p << " " << order;
            }
        }
    }
    // Every value of a small range is drawn, and none outside it.
    Xoshiro256x4 random(StreamSeed(kDefaultSeed, 4));
    std::array<int, 7> counts{};
    for (int i = 0; i < 7000; ++i) {
        const std::uint32_t v = random.Below(7);
        ASSERT_LT(v, 7u);
        ++counts[v];
    }
    for (const int c : counts) {
        EXPECT_GT(c, 800);
        EXPECT_LT(c, 1200);
    }
    // The four generators stepped together, word by word, as four plain ones seeded one after
    // the other would give them; bounded by rejection. Drawn one at a time, in bulk or in
    // pieces, the same numbers, also where many words are rejected (40000) and above 16 bits.
    for (const std::uint32_t n : {1u, 365u, 40000u, 65536u, 3000000000u}) {
        SCOPED_TRACE(n);
        SplitMix64 mix(9);
        std::vector<Xoshiro256> lanes;
        for (int lane = 0; lane < 4; ++lane) {
            lanes.emplace_back(mix);
        }
        std::vector<std::uint16_t> words;
        auto word = [&, at = std::size_t{0}]() mutable {
            while (words.size() <= at) {
                for (Xoshiro256& lane : lanes) {
                    const std::uint64_t r = lane.Next();
                    for (int q = 0; q < 4; ++q) {
                        words.push_back(static_cast<std::uint16_t>(r >> (16 * q)));
                    }
                }
            }
            return static_cast<std::uint64_t>(words[at++]);
        };
        const auto reference = [&]() -> std::uint32_t {
            // w n / range, rejected where w n mod range falls below range mod n.
            const std::uint64_t range = n <= 65536 ? 65536 : 65536ull * 65536;
            for (;;) {
                std::uint64_t w = word();
                if (n > 65536) {
                    w += word() << 16;
                }
                if (w * n % range >= range % n) {
                    return static_cast<std::uint32_t>(w * n / range);
                }
            }
        };
        Xoshiro256x4 one(9), bulk(9), pieces(9);
        std::vector<std::uint32_t> drawn(1000), split(1000);
        bulk.FillBelow(n, drawn.data(), drawn.size());
        for (std::size_t at = 0, piece = 1; at < split.size(); at += piece, piece += 7) {
            pieces.FillBelow(n, split.data() + at, std::min(piece, split.size() - at));
        }
        EXPECT_EQ(split, drawn);
        for (const std::uint32_t d : drawn) {
            ASSERT_LT(d, n);
            ASSERT_EQ(one.Below(n), d);
        }
        for (const std::uint32_t d : drawn) {
            ASSERT_EQ(reference(), d);
        }
        EXPECT_EQ(one.Below(n), bulk.Below(n));
    }
    EXPECT_NE(StreamSeed(1, 0), StreamSeed(1, 1));
    EXPECT_NE(StreamSeed(1, 0), StreamSeed(2, 0));
}

// pass: the whole interval meets the limit; fail: none of it; undecided: it straddles it.
TEST(WxcheckBenchmarks, IntervalsDecideOrSayTheyCannot) {
    const Benchmark& bias = kSpeedBenchmarks.bias;  // |bias| <= 0.5
    EXPECT_STREQ(JudgeInterval(0.47, {0.3, 0.49}, bias), "pass");
    EXPECT_STREQ(JudgeInterval(0.47, {0.41, 0.53}, bias), "undecided");
    EXPECT_STREQ(JudgeInterval(-0.47, {-0.53, -0.41}, bias), "undecided");
    EXPECT_STREQ(JudgeInterval(0.0, {-0.6, 0.6}, bias), "undecided");
    EXPECT_STREQ(JudgeInterval(0.6, {0.51, 0.7}, bias), "fail");
    EXPECT_STREQ(JudgeInterval(-0.6, {-0.7, -0.51}, bias), "fail");
    EXPECT_STREQ(JudgeInterval(0.5, {0.5, 0.50004}, bias), "pass");  // as printed
    const Benchmark& agreement = kSpeedBenchmarks.agreement;         // >= 0.6
    EXPECT_STREQ(JudgeInterval(0.7, {0.61, 0.8}, agreement), "pass");
    EXPECT_STREQ(JudgeInterval(0.6, {0.55, 0.65}, agreement), "undecided");
    EXPECT_STREQ(JudgeInterval(0.5, {0.4, 0.59}, agreement), "fail");
    const Benchmark& rmse = kSpeedBenchmarks.error;  // <= 2
    EXPECT_STREQ(JudgeInterval(2.1, {2.01, 2.2}, rmse), "fail");
    EXPECT_STREQ(JudgeInterval(1.9, {1.8, 2.1}, rmse), "undecided");
    // Without an interval the value decides.
    EXPECT_STREQ(JudgeInterval(1.9, {}, rmse), "pass");
}

}  // namespace
}  // namespace corvane::wxcheck
