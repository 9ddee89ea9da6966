#pragma once

// Texts that every output of a run shares: the version, numbers, the period, the filter
// and the humidity variable as they are written.

#include <string>

#include "tsf/tsf_records.h"
#include "wxcheck/control_file.h"

namespace corvane::wxcheck {

/// The program's version, as the list and statistics files name it.
const char* EngineVersion();

/// A number with 4 decimals, "-999" when it cannot be computed (NaN) or is no finite
/// number; never "-0.0000".
std::string FormatValue(double value);
/// Appends FormatValue(value) to `out`, without a string of its own: files of many numbers
/// write them this way.
void AppendValue(std::string& out, double value);

/// "start to end (startText to endText, both inclusive)".
std::string PeriodText(const ControlSettings& s);

std::string FilterText(int filter);

/// "MIXR (g/kg)", or "none".
std::string HumidityText(HumidityKind kind);

}  // namespace corvane::wxcheck
