#include "wxcheck/evaluation/benchmarks.h"

#include <cmath>
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

std::vector<BenchmarkCheck> CheckBenchmarks(const GroupResult& all, HumidityKind humidity) {
    std::vector<BenchmarkCheck> checks;
    const auto add = [&](std::string quantity, std::string statistic, double value,
                         const Benchmark& b) {
        checks.push_back(
            {std::move(quantity), std::move(statistic), value, b.goal, Judge(value, b)});
    };
    const ScalarStats& ws = all.scalar[kScalarSpeed];
    add("Wind speed", "RMSE", ws.rmse, kSpeedBenchmarks.error);
    add("Wind speed", "Bias", ws.bias, kSpeedBenchmarks.bias);
    add("Wind speed", "IOA", ws.agreement, kSpeedBenchmarks.agreement);
    add("Wind direction", "GE", all.direction.grossError, kDirectionBenchmarks.error);
    add("Wind direction", "Bias", all.direction.bias, kDirectionBenchmarks.bias);
    const ScalarStats& t = all.scalar[kScalarTemperature];
    add("Temperature", "GE", t.grossError, kTemperatureBenchmarks.error);
    add("Temperature", "Bias", t.bias, kTemperatureBenchmarks.bias);
    add("Temperature", "IOA", t.agreement, kTemperatureBenchmarks.agreement);
    const ScalarStats& h = all.scalar[kScalarHumidity];
    const std::string name = std::string("Humidity (") + HumidityName(humidity) + ")";
    if (humidity == HumidityKind::Relative) {
        for (const auto& [statistic, value] :
             {std::pair{"GE", h.grossError}, std::pair{"Bias", h.bias},
              std::pair{"IOA", h.agreement}}) {
            checks.push_back({name, statistic, value, "no benchmark for RH", "n/a"});
        }
    } else {
        add(name, "GE", h.grossError, kHumidityBenchmarks.error);
        add(name, "Bias", h.bias, kHumidityBenchmarks.bias);
        add(name, "IOA", h.agreement, kHumidityBenchmarks.agreement);
    }
    return checks;
}

}  // namespace corvane::wxcheck
