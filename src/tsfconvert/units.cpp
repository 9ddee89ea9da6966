#include "tsfconvert/units.h"

#include <cmath>
#include <string>

namespace corvane::tsfconvert {

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
