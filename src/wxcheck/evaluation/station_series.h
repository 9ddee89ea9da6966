#pragma once

// The two series of a station read for its evaluation: both headers (zones, variables and
// their units, the site lines), the humidity variable the two files share, then the records
// in the processing zone, sorted by end stamp.

#include <cstddef>
#include <vector>

#include "wxcheck/evaluation/station_evaluation.h"

namespace corvane::wxcheck {

/// Reads the files of `entry` into the two record lists and notes in `station` what it found:
/// the paths, counts, the variables evaluated, units, warnings. False, with the reason among
/// the station's errors, when the station cannot be evaluated. With `shared` (whose records
/// are `observedRecords`), observed records read with the same plan before are not read
/// again.
bool ReadStationSeries(const ControlSettings& settings, const StationEntry& entry,
                       std::size_t bufferBytes, StationResult& station,
                       std::vector<Record>& predictedRecords, std::vector<Record>& observedRecords,
                       SharedObserved* shared = nullptr);

}  // namespace corvane::wxcheck
