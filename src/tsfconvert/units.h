#pragma once

// Units of the converter's variables and the conversions between them.

#include <optional>
#include <string_view>

namespace corvane::tsfconvert {

enum class WindUnit { MetresPerSecond, Knots, MilesPerHour, KilometresPerHour };
enum class TemperatureUnit { Kelvin, Celsius, Fahrenheit };

/// "m/s", "kt" (or "knots"), "mph", "km/h"; letter case ignored.
std::optional<WindUnit> WindUnitFromText(std::string_view text);
/// "K", "C", "F" (also "degC", "degF"); letter case ignored.
std::optional<TemperatureUnit> TemperatureUnitFromText(std::string_view text);
/// The units a TSF header writes for a temperature: "K", "C" or "F".
const char* TemperatureUnitText(TemperatureUnit unit);

/// Exact factors: 1 kt = 1852/3600 m/s, 1 mph = 0.44704 m/s, 1 km/h = 1/3.6 m/s.
double MetresPerSecond(double speed, WindUnit unit);
double Celsius(double temperature, TemperatureUnit unit);

/// Saturation vapour pressure over water in hPa at `celsius`, and the relative humidity in
/// percent of air at `celsius` whose dew point is `dewPointCelsius`.
double SaturationVapourPressure(double celsius);
double RelativeHumidity(double celsius, double dewPointCelsius);

/// Converted and derived values are written to 4 decimals: 0.0001 m/s and 0.0001 % lie far
/// below what any instrument resolves, and the file stays readable.
double RoundConverted(double value);

}  // namespace corvane::tsfconvert
