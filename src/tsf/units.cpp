#include "tsf/units.h"

#include <cmath>
#include <cstdio>

#include "tsf/text_scan.h"

namespace corvane {

std::optional<WindUnit> WindUnitFromText(std::string_view text) {
    if (EqualsNoCase(text, "m/s")) {
        return WindUnit::MetresPerSecond;
    }
    if (EqualsNoCase(text, "kt") || EqualsNoCase(text, "knots")) {
        return WindUnit::Knots;
    }
    if (EqualsNoCase(text, "mph")) {
        return WindUnit::MilesPerHour;
    }
    if (EqualsNoCase(text, "km/h")) {
        return WindUnit::KilometresPerHour;
    }
    return std::nullopt;
}

std::optional<TemperatureUnit> TemperatureUnitFromText(std::string_view text) {
    if (EqualsNoCase(text, "K")) {
        return TemperatureUnit::Kelvin;
    }
    if (EqualsNoCase(text, "C") || EqualsNoCase(text, "degC")) {
        return TemperatureUnit::Celsius;
    }
    if (EqualsNoCase(text, "F") || EqualsNoCase(text, "degF")) {
        return TemperatureUnit::Fahrenheit;
    }
    return std::nullopt;
}

const char* WindUnitText(WindUnit unit) {
    switch (unit) {
        case WindUnit::MetresPerSecond:
            return "m/s";
        case WindUnit::Knots:
            return "kt";
        case WindUnit::MilesPerHour:
            return "mph";
        case WindUnit::KilometresPerHour:
            break;
    }
    return "km/h";
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

double SpecificHumidity(double mixingRatio) {
    return mixingRatio / (1.0 + mixingRatio / 1000.0);
}

std::optional<int> ZoneOffsetMinutes(std::string_view zone) {
    if (zone.size() != 8 || !EqualsNoCase(zone.substr(0, 3), "UTC") ||
        (zone[3] != '+' && zone[3] != '-')) {
        return std::nullopt;
    }
    int digits[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const char c = zone[4 + i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        digits[i] = c - '0';
    }
    const int hours = digits[0] * 10 + digits[1];
    const int minutes = digits[2] * 10 + digits[3];
    if (hours > 23 || minutes > 59) {
        return std::nullopt;
    }
    return (zone[3] == '-' ? -1 : 1) * (hours * 60 + minutes);
}

std::string OffsetText(int minutes) {
    const int size = minutes < 0 ? -minutes : minutes;
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', size / 60, size % 60);
    return text;
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

}  // namespace corvane
