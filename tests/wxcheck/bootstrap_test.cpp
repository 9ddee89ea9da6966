#include "wxcheck/evaluation/bootstrap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "wxcheck/evaluation/benchmarks.h"

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

TEST(WxcheckBootstrap, PercentilesAndBoundedDrawsAreExact) {
    std::vector<double> values = {5, 1, 4, 2, 3};
    EXPECT_DOUBLE_EQ(Percentile(values, 0.0), 1);
    EXPECT_DOUBLE_EQ(Percentile(values, 0.5), 3);
    EXPECT_DOUBLE_EQ(Percentile(values, 0.625), 3.5);  // position 2.5
    EXPECT_DOUBLE_EQ(Percentile(values, 1.0), 5);
    // From either end the same, ties and all.
    std::mt19937 shuffle(5);
    for (const std::size_t size : {1u, 2u, 40u, 1000u}) {
        std::vector<double> many(size);
        for (double& v : many) {
            v = static_cast<double>(shuffle() % 97);
        }
        for (const double p : {0.0, 0.025, 0.3, 0.975, 1.0}) {
            std::vector<double> copy = many;
            EXPECT_EQ(PercentileFromEnd(many, p), Percentile(copy, p)) << size << " " << p;
        }
    }
    // Every value of a small range is drawn, and none outside it.
    Xoshiro256 random(StreamSeed(kDefaultSeed, 4));
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
    // Drawn in bulk, the same numbers, also where a draw is rejected (n near 2^32).
    for (const std::uint32_t n : {365u, 3000000000u}) {
        Xoshiro256 one(9), bulk(9);
        std::vector<std::uint32_t> drawn(101);
        bulk.FillBelow(n, drawn.data(), drawn.size());
        for (const std::uint32_t d : drawn) {
            ASSERT_EQ(one.Below(n), d);
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
