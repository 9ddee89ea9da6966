#pragma once

// The inputs the converter reads: CSV files with the columns the options name, and
// ISD-Lite station archives. Each reader fills a Series; a failure throws ConvertError
// naming the file, the line, the column and the value.

#include <string>
#include <vector>

#include "tsfconvert/options.h"
#include "tsfconvert/series.h"

namespace corvane::tsfconvert {

/// Reads every CSV input. Observations carry the end of their hour (--stamp applied);
/// with --hourly exact a time that is not a full hour fails. Values out of their range
/// (value_ranges.h) are kept as missing and counted in a warning, in both readers.
Series ReadCsvInputs(const ConvertOptions& options, std::vector<std::string>& warnings);

/// Reads every ISD-Lite input: WSPEED m/s, WDIR deg, TEMP C and RHUM % from temperature
/// and dew point, each observation ending at its hour. `site` gets the station identifier
/// of the file names; files of different stations fail unless --site is given.
Series ReadIsdLiteInputs(const ConvertOptions& options, std::string& site,
                         std::vector<std::string>& warnings);

/// The station identifier of an ISD-Lite file name: "725030-14732-2008" (also with an
/// extension) gives "725030-14732"; a name of another form gives itself, extension dropped.
std::string IsdLiteStation(const std::string& path);

}  // namespace corvane::tsfconvert
