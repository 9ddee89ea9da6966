#pragma once

// The units and zones a time series file may be written in, and their conversions into the
// units the engine evaluates: wind speed in m/s, temperature in K (kept as C, that is K less
// 273.15), stamps in the processing zone. The converter writes by the same rules, and derives
// the relative humidity from temperature and dew point here.

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

enum class WindUnit { MetresPerSecond, Knots, MilesPerHour, KilometresPerHour };
enum class TemperatureUnit { Kelvin, Celsius, Fahrenheit };

/// "m/s", "kt" (or "knots"), "mph", "km/h"; letter case ignored.
std::optional<WindUnit> WindUnitFromText(std::string_view text);
/// "K", "C", "F" (also "degC", "degF"); letter case ignored.
std::optional<TemperatureUnit> TemperatureUnitFromText(std::string_view text);
/// As a header writes them: "m/s", "kt", "mph", "km/h"; "K", "C", "F".
const char* WindUnitText(WindUnit unit);
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

/// Specific humidity from a mixing ratio, both in g/kg: q = w / (1 + w) with w and q in kg/kg.
double SpecificHumidity(double mixingRatio);

/// The offset from UTC in minutes of a zone "UTC+HHMM" or "UTC-HHMM" (hours 00 to 23,
/// minutes 00 to 59; "UTC" in any letter case); nullopt for any other text.
std::optional<int> ZoneOffsetMinutes(std::string_view zone);
/// An offset or a shift of `minutes` as ISO 8601 writes it: "+05:30", "-03:00", "+00:00".
std::string OffsetText(int minutes);

}  // namespace corvane
