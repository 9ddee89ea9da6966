#include "tsfconvert/value_ranges.h"

#include <charconv>
#include <cmath>

namespace corvane::tsfconvert {
namespace {

// The coldest air measured near the ground is about -90 C, the hottest 57 C: the bounds
// leave a wide margin and still catch kelvin read as degrees C.
constexpr double kLowestCelsius = -150.0;
constexpr double kHighestCelsius = 100.0;

std::string NumberText(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string RangeText(const ValueRange& range) {
    return NumberText(range.low) + " to " + NumberText(range.high) + " " + range.units;
}

}  // namespace

ValueRange RangeOf(const OutputVariable& variable) {
    const std::string& name = variable.name;
    if (name == "WSPEED") {
        // Above the strongest gust ever measured at the ground, 113 m/s.
        return {0, 150, "m/s"};
    }
    if (name == "WDIR") {
        return {0, 360, "deg"};
    }
    if (name == "TEMP") {
        const TemperatureUnit unit =
            TemperatureUnitFromText(variable.units).value_or(TemperatureUnit::Celsius);
        // The bounds in the variable's own unit: Celsius() is linear, so it inverts exactly
        // enough from two points.
        const double zero = Celsius(0.0, unit);
        const double scale = Celsius(1.0, unit) - zero;
        return {(kLowestCelsius - zero) / scale, (kHighestCelsius - zero) / scale,
                TemperatureUnitText(unit)};
    }
    if (name == "RHUM") {
        return {0, 105, "%"};
    }
    // MIXR, SHUM: air with a dew point of 50 C, never observed, holds under 90 g/kg.
    return {0, 100, "g/kg"};
}

ValueRange DewPointRange() {
    return {kLowestCelsius, kHighestCelsius, "C"};
}

bool InRange(const ValueRange& range, double value) {
    return std::isfinite(value) && value >= range.low && value <= range.high;
}

void OutOfRangeValues::Note(const std::string& path, std::int64_t line, const std::string& what,
                            double value, const ValueRange& range) {
    if (count_++ == 0) {
        first_ = path + ":" + std::to_string(line) + ": " + what + " " + NumberText(value) + " " +
                 range.units + " (kept: " + RangeText(range) + ")";
    }
}

std::string OutOfRangeValues::Warning() const {
    return std::to_string(count_) + (count_ == 1 ? " value lies" : " values lie") +
           " outside what a station can measure and " + (count_ == 1 ? "is" : "are") +
           " written as missing (-999); the first: " + first_;
}

double Checked(const OutputVariable& variable, double value, const std::string& path,
               std::int64_t line, OutOfRangeValues& notes) {
    if (std::isnan(value)) {
        return value;
    }
    const ValueRange range = RangeOf(variable);
    if (InRange(range, value)) {
        return value;
    }
    notes.Note(path, line, variable.name, value, range);
    return kMissingValue;
}

double CheckedRelativeHumidity(double celsius, double dewPointCelsius, const std::string& path,
                               std::int64_t line, OutOfRangeValues& notes) {
    if (std::isnan(celsius) || std::isnan(dewPointCelsius) || !InRange(DewPointRange(), celsius)) {
        return kMissingValue;
    }
    if (!InRange(DewPointRange(), dewPointCelsius)) {
        notes.Note(path, line, "dew point", dewPointCelsius, DewPointRange());
        return kMissingValue;
    }
    return RoundConverted(RelativeHumidity(celsius, dewPointCelsius));
}

}  // namespace corvane::tsfconvert
