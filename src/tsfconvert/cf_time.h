#pragma once

// Times of gridded files: CF time coordinates ("hours since 1900-01-01 00:00:0.0" with a
// calendar attribute) and WRF's time texts ("2024-01-01_00:00:00"), in seconds since
// 30 December 1899 as the converter counts them.

#include <optional>
#include <string>
#include <string_view>

#include "tsfconvert/time_text.h"

namespace corvane::tsfconvert {

/// A CF time unit: the length of one step and the epoch.
struct CfTimeUnits {
    double stepSeconds = 1;
    Seconds epoch = 0;
};

/// Reads "UNIT since EPOCH" (UNIT days, hours, minutes or seconds, also singular or short:
/// d, h, hr, min, s, sec; EPOCH a date with an optional time of day, 'T' or a blank
/// between, an optional fraction of zeros, "Z" or "UTC" or a zero offset). The calendar must
/// be empty (standard), "standard", "gregorian" or "proleptic_gregorian"; the epoch of the
/// first two may not lie before 15 October 1582, where the mixed calendar turns Julian.
/// Gives the reason in `error` otherwise.
std::optional<CfTimeUnits> ReadCfTimeUnits(std::string_view units, std::string_view calendar,
                                           std::string& error);

/// The time of a value in `units`, rounded to the second; nullopt outside the years
/// 100 to 9999 or for a value that is not finite.
std::optional<Seconds> CfTime(const CfTimeUnits& units, double value);

/// "2024-01-01_00:00:00" (also with 'T' or a blank for the underscore).
std::optional<Seconds> ReadWrfTime(std::string_view text);

}  // namespace corvane::tsfconvert
