#include "tsfconvert/units.h"

#include <cmath>
#include <string>

#include "wxcheck/text_scan.h"

namespace corvane::tsfconvert {
namespace {
const auto Same = corvane::wxcheck::EqualsNoCase;
}  // namespace

std::optional<WindUnit> WindUnitFromText(std::string_view text) {
    if (Same(text, "m/s")) {
        return WindUnit::MetresPerSecond;
    }
    if (Same(text, "kt") || Same(text, "knots")) {
        return WindUnit::Knots;
    }
    if (Same(text, "mph")) {
        return WindUnit::MilesPerHour;
    }
    if (Same(text, "km/h")) {
        return WindUnit::KilometresPerHour;
    }
    return std::nullopt;
}

std::optional<TemperatureUnit> TemperatureUnitFromText(std::string_view text) {
    if (Same(text, "K")) {
        return TemperatureUnit::Kelvin;
    }
    if (Same(text, "C") || Same(text, "degC")) {
        return TemperatureUnit::Celsius;
    }
    if (Same(text, "F") || Same(text, "degF")) {
        return TemperatureUnit::Fahrenheit;
    }
    return std::nullopt;
}

const char* TemperatureUnitText(TemperatureUnit unit) {
    switch (unit) {
        case TemperatureUnit::Kelvin:
            return "K";
        case TemperatureUnit::Celsius:
            return "C";
        case TemperatureUnit::Fahrenheit:
            break;
    }
    return "F";
}

double MetresPerSecond(double speed, WindUnit unit) {
    switch (unit) {
        case WindUnit::MetresPerSecond:
            return speed;
        case WindUnit::Knots:
            return speed * 1852.0 / 3600.0;
        case WindUnit::MilesPerHour:
            return speed * 0.44704;
        case WindUnit::KilometresPerHour:
            break;
    }
    return speed / 3.6;
}

double Celsius(double temperature, TemperatureUnit unit) {
    switch (unit) {
        case TemperatureUnit::Kelvin:
            return temperature - 273.15;
        case TemperatureUnit::Celsius:
            return temperature;
        case TemperatureUnit::Fahrenheit:
            break;
    }
    return (temperature - 32.0) * 5.0 / 9.0;
}

// The Magnus form with the coefficients of Alduchov and Eskridge (1996), "Improved Magnus
// form approximation of saturation vapor pressure", J. Appl. Meteor. 35, 601-609:
// e_s(t) = 6.1094 hPa * exp(17.625 t / (t + 243.04 C)), within 0.4 % of the reference
// values from -40 C to 50 C. Lawrence (2005, Bull. Amer. Meteor. Soc. 86, 225-233)
// recommends it for converting between dew point and relative humidity.
double SaturationVapourPressure(double celsius) {
    return 6.1094 * std::exp(17.625 * celsius / (celsius + 243.04));
}

double RelativeHumidity(double celsius, double dewPointCelsius) {
    // The ratio e_s(dew point) / e_s(t), formed in one exponent.
    return 100.0 * std::exp(17.625 * dewPointCelsius / (dewPointCelsius + 243.04) -
                            17.625 * celsius / (celsius + 243.04));
}

double RoundConverted(double value) {
    return std::round(value * 1e4) / 1e4;
}

}  // namespace corvane::tsfconvert
