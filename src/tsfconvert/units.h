#pragma once

// Units of the converter's variables and the conversions between them.

#include "wxcheck/units.h"

namespace corvane::tsfconvert {

// The units a TSF file may carry and their conversions are the engine's: what the
// converter writes, the engine reads alike.
using wxcheck::Celsius;
using wxcheck::MetresPerSecond;
using wxcheck::TemperatureUnit;
using wxcheck::TemperatureUnitFromText;
using wxcheck::TemperatureUnitText;
using wxcheck::WindUnit;
using wxcheck::WindUnitFromText;

/// Saturation vapour pressure over water in hPa at `celsius`, and the relative humidity in
/// percent of air at `celsius` whose dew point is `dewPointCelsius`.
double SaturationVapourPressure(double celsius);
double RelativeHumidity(double celsius, double dewPointCelsius);

/// Converted and derived values are written to 4 decimals: 0.0001 m/s and 0.0001 % lie far
/// below what any instrument resolves, and the file stays readable.
double RoundConverted(double value);

}  // namespace corvane::tsfconvert
