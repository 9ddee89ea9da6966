#include "wxcheck/evaluation/benchmarks.h"

#include <cmath>
#include <tuple>
#include <utility>

namespace corvane::wxcheck {

const char* Judge(double value, const Benchmark& benchmark) {
    // Judged on the value as printed, so that the table agrees with the figures beside it.
    if (!std::isfinite(value)) {
        return "n/a";
    }
    double shown = std::round(value * 1e4) / 1e4;
    if (benchmark.magnitude) {
        shown = std::fabs(shown);
    }
    return (benchmark.atMost ? shown <= benchmark.limit : shown >= benchmark.limit) ? "pass"
                                                                                    : "fail";
}

const char* JudgeInterval(double value, const Interval& interval, const Benchmark& benchmark) {
    if (!interval.Known()) {
        return Judge(value, benchmark);
    }
    const double low = std::round(interval.low * 1e4) / 1e4;
    const double high = std::round(interval.high * 1e4) / 1e4;
    const double limit = benchmark.limit;
    bool all = false;   // every value of the interval meets the benchmark
    bool none = false;  // no value of it does
    if (benchmark.magnitude) {
        all = std::fabs(low) <= limit && std::fabs(high) <= limit;
        none = low > limit || high < -limit;
    } else if (benchmark.atMost) {
        all = high <= limit;
        none = low > limit;
    } else {
        all = low >= limit;
        none = high < limit;
    }
    return all ? "pass" : none ? "fail" : "undecided";
}

std::vector<BenchmarkCheck> CheckBenchmarks(const GroupResult& all, HumidityKind humidity,
                                            const GroupIntervals* intervals) {
    std::vector<BenchmarkCheck> checks;
    const auto intervalOf = [&](std::size_t k, int statistic) {
        return intervals != nullptr ? intervals->scalar[k][static_cast<std::size_t>(statistic)]
                                    : Interval();
    };
    const auto add = [&](std::string quantity, std::string statistic, double value,
                         const Benchmark& b, const Interval& interval, Slot slot,
                         BenchmarkStatistic which) {
        checks.push_back({std::move(quantity), std::move(statistic), value, b.goal,
                          JudgeInterval(value, interval, b), interval, slot, which});
    };
    const ScalarStats& ws = all.scalar[kScalarSpeed];
    add("Wind speed", "RMSE", ws.rmse, kSpeedBenchmarks.error,
        intervalOf(kScalarSpeed, kIntervalRmse), kSpeed, kBenchmarkRmse);
    add("Wind speed", "Bias", ws.bias, kSpeedBenchmarks.bias,
        intervalOf(kScalarSpeed, kIntervalBias), kSpeed, kBenchmarkBias);
    add("Wind speed", "IOA", ws.agreement, kSpeedBenchmarks.agreement,
        intervalOf(kScalarSpeed, kIntervalAgreement), kSpeed, kBenchmarkAgreement);
    add("Wind direction", "GE", all.direction.grossError, kDirectionBenchmarks.error,
        intervals != nullptr ? intervals->directionError : Interval(), kDirection,
        kBenchmarkGrossError);
    add("Wind direction", "Bias", all.direction.bias, kDirectionBenchmarks.bias,
        intervals != nullptr ? intervals->directionBias : Interval(), kDirection, kBenchmarkBias);
    const ScalarStats& t = all.scalar[kScalarTemperature];
    add("Temperature", "GE", t.grossError, kTemperatureBenchmarks.error,
        intervalOf(kScalarTemperature, kIntervalGrossError), kTemperature, kBenchmarkGrossError);
    add("Temperature", "Bias", t.bias, kTemperatureBenchmarks.bias,
        intervalOf(kScalarTemperature, kIntervalBias), kTemperature, kBenchmarkBias);
    add("Temperature", "IOA", t.agreement, kTemperatureBenchmarks.agreement,
        intervalOf(kScalarTemperature, kIntervalAgreement), kTemperature, kBenchmarkAgreement);
    const ScalarStats& h = all.scalar[kScalarHumidity];
    const std::string name = std::string("Humidity (") + HumidityName(humidity) + ")";
    if (humidity == HumidityKind::Relative) {
        for (const auto& [statistic, value, which, column] :
             {std::tuple{"GE", h.grossError, kIntervalGrossError, kBenchmarkGrossError},
              std::tuple{"Bias", h.bias, kIntervalBias, kBenchmarkBias},
              std::tuple{"IOA", h.agreement, kIntervalAgreement, kBenchmarkAgreement}}) {
            checks.push_back({name, statistic, value, "no benchmark for RH", "n/a",
                              intervalOf(kScalarHumidity, which), kHumidity, column});
        }
    } else {
        add(name, "GE", h.grossError, kHumidityBenchmarks.error,
            intervalOf(kScalarHumidity, kIntervalGrossError), kHumidity, kBenchmarkGrossError);
        add(name, "Bias", h.bias, kHumidityBenchmarks.bias,
            intervalOf(kScalarHumidity, kIntervalBias), kHumidity, kBenchmarkBias);
        add(name, "IOA", h.agreement, kHumidityBenchmarks.agreement,
            intervalOf(kScalarHumidity, kIntervalAgreement), kHumidity, kBenchmarkAgreement);
    }
    return checks;
}

}  // namespace corvane::wxcheck
