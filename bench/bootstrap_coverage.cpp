// How often the day-block bootstrap's 95% intervals hold the true value, on synthetic
// pairs with a known error distribution: per replicate, DAYS days of hourly pairs whose
// errors are bias + an AR(1) series within each day (independent between days), with a
// diurnal cycle in the observations. Run by hand (bench/bootstrap_coverage.sh), not by ctest.
//   bootstrap_coverage [REPLICATES] [DAYS] [RESAMPLES]

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <vector>

#include "wxcheck/evaluation/bootstrap.h"

using namespace corvane::wxcheck;

int main(int argc, char** argv) {
    const int replicates = argc > 1 ? std::atoi(argv[1]) : 400;
    const int days = argc > 2 ? std::atoi(argv[2]) : 30;
    const int resamples = argc > 3 ? std::atoi(argv[3]) : 1000;
    constexpr double kBias = 0.3;
    constexpr double kPhi = 0.6;    // hour-to-hour correlation of the errors within a day
    constexpr double kSigma = 1.0;  // stationary standard deviation of the error
    // True values: bias, RMSE = sqrt(bias^2 + sigma^2), GE = E|N(bias, sigma^2)|.
    const double trueRmse = std::sqrt(kBias * kBias + kSigma * kSigma);
    const double z = kBias / kSigma;
    const double trueGe = kSigma * std::sqrt(2 / std::numbers::pi) * std::exp(-z * z / 2) +
                          kBias * std::erf(z / std::sqrt(2.0));
    std::mt19937_64 random(2008);
    std::normal_distribution<double> normal(0, 1);
    int holdsBias = 0;
    int holdsRmse = 0;
    int holdsGe = 0;
    int made = 0;
    double width = 0;
    for (int r = 0; r < replicates; ++r) {
        DayTable table;
        const double shift = 5.0;
        for (int d = 0; d < days; ++d) {
            DayRow row;
            double e = normal(random) * kSigma;
            for (int h = 0; h < 24; ++h) {
                if (h > 0) {
                    e = kPhi * e + std::sqrt(1 - kPhi * kPhi) * kSigma * normal(random);
                }
                const double observed =
                    5 + 2 * std::sin(2 * std::numbers::pi * h / 24) + 0.5 * normal(random);
                row.AddScalar(0, observed, observed + kBias + e, shift);
            }
            table.Append(row);
        }
        const GroupIntervals g = BootstrapIntervals(
            table, resamples, StreamSeed(kDefaultSeed, static_cast<unsigned>(r)));
        if (!g.made) {
            continue;
        }
        ++made;
        const auto holds = [](const Interval& i, double value) {
            return i.Known() && i.low <= value && value <= i.high;
        };
        holdsBias += holds(g.scalar[0][kIntervalBias], kBias) ? 1 : 0;
        holdsRmse += holds(g.scalar[0][kIntervalRmse], trueRmse) ? 1 : 0;
        holdsGe += holds(g.scalar[0][kIntervalGrossError], trueGe) ? 1 : 0;
        width += g.scalar[0][kIntervalBias].high - g.scalar[0][kIntervalBias].low;
    }
    if (made == 0) {
        std::printf("no intervals (fewer than %lld days)\n",
                    static_cast<long long>(kMinimumIntervalDays));
        return 1;
    }
    std::printf("%d replicates of %d days (hourly, AR(1) errors phi %.1f within a day), B = %d\n",
                made, days, kPhi, resamples);
    std::printf("bias %.2f: %.1f%% of the intervals hold it (mean width %.3f)\n", kBias,
                100.0 * holdsBias / made, width / made);
    std::printf("RMSE %.4f: %.1f%%\n", trueRmse, 100.0 * holdsRmse / made);
    std::printf("GE %.4f: %.1f%%\n", trueGe, 100.0 * holdsGe / made);
    return 0;
}
