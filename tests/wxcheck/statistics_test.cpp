#include "wxcheck/evaluation/statistics.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "wxcheck/evaluation/benchmarks.h"
#include "wxcheck/outputs/list_file.h"

namespace corvane::wxcheck {
namespace {

ScalarStats Scalar(const std::vector<double>& observed, const std::vector<double>& predicted) {
    FirstPass first;
    for (std::size_t i = 0; i < observed.size(); ++i) {
        first.Add(observed[i], predicted[i]);
    }
    SecondPass second;
    for (std::size_t i = 0; i < observed.size(); ++i) {
        second.Add(observed[i], predicted[i], first.MeanObserved(), first.MeanPredicted());
    }
    return FinishScalar(first, second);
}

TEST(WxcheckStatistics, SmallGroupsAgreeWithHandWorkedValuesOrHaveNone) {
    // O = 1, 2, 3; P = 2, 2, 5. Obar = 2, Pbar = 3, d = 1, 0, 2.
    const ScalarStats s = Scalar({1, 2, 3}, {2, 2, 5});
    EXPECT_EQ(s.n, 3);
    EXPECT_DOUBLE_EQ(s.meanObserved, 2.0);
    EXPECT_DOUBLE_EQ(s.meanPredicted, 3.0);
    EXPECT_DOUBLE_EQ(s.bias, 1.0);
    EXPECT_DOUBLE_EQ(s.grossError, 1.0);
    EXPECT_DOUBLE_EQ(s.rmse, std::sqrt(5.0 / 3.0));
    // Least squares: Sxx = 2, Sxy = 3, b = 1.5, a = 0; P^ = 1.5, 3, 4.5.
    // RMSEs^2 = mean((0.5, 1, 1.5)^2) = 3.5 / 3; RMSEu^2 = mean((0.5, -1, 0.5)^2) = 1.5 / 3.
    EXPECT_NEAR(s.rmseSystematic, std::sqrt(3.5 / 3.0), 1e-12);
    EXPECT_NEAR(s.rmseUnsystematic, std::sqrt(1.5 / 3.0), 1e-12);
    // IOA denominator: (|2-2|+|1-2|)^2 + (0+0)^2 + (|5-2|+|3-2|)^2 = 1 + 0 + 16.
    EXPECT_DOUBLE_EQ(s.agreement, 1.0 - 5.0 / 17.0);
    // Syy = 1 + 1 + 4 = 6: R = 3 / sqrt(2 * 6).
    EXPECT_DOUBLE_EQ(s.correlation, 3.0 / std::sqrt(12.0));

    // A single pair: bias, GE and RMSE only.
    const ScalarStats one = Scalar({2}, {3.5});
    EXPECT_DOUBLE_EQ(one.bias, 1.5);
    EXPECT_DOUBLE_EQ(one.rmse, 1.5);
    for (const double v :
         {one.agreement, one.rmseSystematic, one.rmseUnsystematic, one.correlation}) {
        EXPECT_TRUE(std::isnan(v));
    }
}

// Equal values leave a rounding residue in the sums of squares, not a spread: without one
// there is no regression line and no correlation, but an index of agreement (0) unless both
// series are the same constant. A spread of one unit in the last written decimal still
// counts, whatever the magnitude.
TEST(WxcheckStatistics, ConstantSeriesHaveNoSpreadWhateverTheirMagnitude) {
    for (const double level : {5.1, 273.15, 1e5}) {
        SCOPED_TRACE(level);
        const std::vector<double> constant(8760, level);
        std::vector<double> varying;
        for (int i = 0; i < 8760; ++i) {
            varying.push_back(level + (i % 7) * 1e-4);
        }
        const ScalarStats observedFlat = Scalar(constant, varying);
        const ScalarStats predictedFlat = Scalar(varying, constant);
        const ScalarStats both = Scalar(constant, constant);
        for (const double v : {observedFlat.rmseSystematic, observedFlat.rmseUnsystematic,
                               observedFlat.correlation, predictedFlat.correlation, both.agreement,
                               both.correlation, both.rmseSystematic, both.rmseUnsystematic}) {
            EXPECT_TRUE(std::isnan(v));
        }
        EXPECT_NEAR(observedFlat.agreement, 0.0, 0.5e-4);  // 0.0000 as written
        EXPECT_FALSE(std::isnan(predictedFlat.rmseSystematic));
        EXPECT_EQ(both.rmse, 0.0);
        EXPECT_NEAR(Scalar(varying, varying).correlation, 1.0, 1e-6);
    }
}

TEST(WxcheckStatistics, WindDirectionAcrossNorth) {
    EXPECT_DOUBLE_EQ(WrappedDifference(10, 350), 20);
    EXPECT_DOUBLE_EQ(WrappedDifference(350, 10), -20);
    EXPECT_DOUBLE_EQ(WrappedDifference(180, 0), 180);
    EXPECT_DOUBLE_EQ(WrappedDifference(0, 180), 180);
    EXPECT_DOUBLE_EQ(WrappedDifference(360, 0), 0);

    // Observed 350 and 10 averaging to north is checked through the engine's hourly file.
    DirectionSums southWest, opposite;
    southWest.Add(225, 225);
    EXPECT_NEAR(southWest.Result().meanObserved, 225.0, 1e-9);
    // Opposite directions cancel: no mean direction.
    opposite.Add(90, 0);
    opposite.Add(270, 0);
    EXPECT_TRUE(std::isnan(opposite.Result().meanObserved));
    EXPECT_NEAR(opposite.Result().meanPredicted, 0.0, 1e-9);
    EXPECT_TRUE(std::isnan(DirectionSums().Result().bias));
}

// u = -s sin, v = -s cos: a north wind blows towards the south, (0, -s).
TEST(WxcheckStatistics, VectorWindErrorOfHandWorkedPairs) {
    const auto of = [](std::initializer_list<std::array<double, 4>> pairs) {
        VectorSums sums;  // each pair: observed speed and direction, predicted speed and direction
        for (const auto& p : pairs) {
            sums.Add(VectorSums::TermOf(p[0], p[1], p[2], p[3]));
        }
        return sums.Result();
    };
    // North against east, 5 m/s each: P - O = (-5, 0) - (0, -5) = (-5, 5).
    const VectorStats crossed = of({{5, 0, 5, 90}});
    EXPECT_NEAR(crossed.meanError, std::sqrt(50.0), 1e-12);
    EXPECT_NEAR(crossed.rmsError, std::sqrt(50.0), 1e-12);
    // Its mirror cancels in the mean vector but not in the squares.
    const VectorStats both = of({{5, 0, 5, 90}, {5, 90, 5, 0}});
    EXPECT_EQ(both.n, 2);
    EXPECT_NEAR(both.meanError, 0.0, 1e-12);
    EXPECT_NEAR(both.rmsError, std::sqrt(50.0), 1e-12);
    // A calm observation is the vector (0, 0) whatever its direction: the error is the
    // predicted vector, 0.5 m/s from the south.
    const VectorStats calm = of({{0, 123, 0.5, 180}});
    EXPECT_NEAR(calm.meanError, 0.5, 1e-12);
    EXPECT_NEAR(calm.rmsError, 0.5, 1e-12);
    // Equal vectors, also across north (0 and 360), give 0.
    const VectorStats equal = of({{3, 0, 3, 360}, {7.5, 200, 7.5, 200}});
    EXPECT_NEAR(equal.meanError, 0.0, 1e-12);
    EXPECT_NEAR(equal.rmsError, 0.0, 1e-12);
    EXPECT_TRUE(std::isnan(VectorSums().Result().rmsError));
}

// Every benchmark passes at its limit as the value is printed, and fails just beyond it,
// whatever the sign of a bias; relative humidity has none.
TEST(WxcheckBenchmarks, EachLimitPassesAtItsEdgeAndFailsBeyondIt) {
    const auto verdicts = [](double beyond, double sign, HumidityKind humidity) {
        GroupResult all;
        ScalarStats& ws = all.scalar[kScalarSpeed];
        ScalarStats& t = all.scalar[kScalarTemperature];
        ScalarStats& h = all.scalar[kScalarHumidity];
        ws.rmse = t.grossError = h.grossError = 2 + beyond;
        ws.bias = t.bias = sign * (0.5 + beyond);
        h.bias = sign * (1 + beyond);
        ws.agreement = h.agreement = 0.6 - beyond;
        t.agreement = 0.8 - beyond;
        all.direction.grossError = 30 + beyond;
        all.direction.bias = sign * (10 + beyond);
        std::string first;  // p, f or n (n/a) for each check
        for (const BenchmarkCheck& c : CheckBenchmarks(all, humidity)) {
            first += c.result[0];
        }
        return first;
    };
    EXPECT_EQ(verdicts(0.00004, -1, HumidityKind::MixingRatio), "ppppppppppp");
    EXPECT_EQ(verdicts(0.00004, 1, HumidityKind::SpecificHumidity), "ppppppppppp");
    EXPECT_EQ(verdicts(0.0001, -1, HumidityKind::MixingRatio), "fffffffffff");
    EXPECT_EQ(verdicts(0.0001, 1, HumidityKind::Relative), "ffffffffnnn");
    EXPECT_STREQ(Judge(std::nan(""), kSpeedBenchmarks.bias), "n/a");
}

}  // namespace
}  // namespace corvane::wxcheck
