#pragma once

// The values a weather station can report. A value outside them (a negative wind speed, a
// direction of 400, a relative humidity of 1016 %, a number so large that its conversion
// overflows) is no measurement: it is written as missing and counted in a warning, as the
// engine treats its own out-of-range values.

#include <cstdint>
#include <string>

#include "tsf/units.h"
#include "tsfconvert/series.h"

namespace corvane::tsfconvert {

/// The values of one variable that are kept, both ends included.
struct ValueRange {
    double low = 0;
    double high = 0;
    const char* units = "";  ///< of low and high, for messages
};

/// The range of an output variable, in the units it is written in: WSPEED 0 to 150 m/s,
/// WDIR 0 to 360 deg, TEMP -150 to 100 C (in its own unit), RHUM 0 to 105 % (sensors read
/// a few per cent over 100 in fog), MIXR and SHUM 0 to 100 g/kg.
ValueRange RangeOf(const OutputVariable& variable);

/// The dew point that a relative humidity is derived from, in degrees C: the temperature's.
ValueRange DewPointRange();

/// True when `value` is finite and within `range`.
bool InRange(const ValueRange& range, double value);

/// The values taken as missing because they lay outside their range, and the first of them.
class OutOfRangeValues {
public:
    /// Counts one value; the first is kept for the warning as "obs.csv:4: WSPEED -3 m/s".
    void Note(const std::string& path, std::int64_t line, const std::string& what, double value,
              const ValueRange& range);
    std::int64_t count() const { return count_; }
    /// "2 values out of range are written as missing (-999); the first: obs.csv:4: ..."
    std::string Warning() const;

private:
    std::int64_t count_ = 0;
    std::string first_;
};

/// `value` when it lies within the range of `variable`; else missing, noted in `notes`.
double Checked(const OutputVariable& variable, double value, const std::string& path,
               std::int64_t line, OutOfRangeValues& notes);

/// The relative humidity of air at `celsius` with the dew point `dewPointCelsius`, rounded
/// as converted values are; missing when either is missing or out of range (an impossible
/// dew point is noted; the temperature is noted as a variable of its own).
double CheckedRelativeHumidity(double celsius, double dewPointCelsius, const std::string& path,
                               std::int64_t line, OutOfRangeValues& notes);

}  // namespace corvane::tsfconvert
