#pragma once

// The station file: three header lines, then one station a line as
// 'PREDICTED','OBSERVED'.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::wxcheck {

struct StationEntry {
    int line = 0;
    /// As written in the station file.
    std::string predicted;
    std::string observed;
    /// Set when the line cannot be used (malformed or ambiguous); the station then fails.
    std::string error;
};

struct StationFileResult {
    bool ok = false;
    std::string error;
    std::vector<StationEntry> stations;
};

/// Tells whether a path (as written, resolved by the caller) names an existing file.
using FileExists = std::function<bool(const std::string& path)>;

/// Reads station file text. `resolve` turns a written path into the one to test; a line
/// whose paths contain "','" more than once is split where both files exist.
StationFileResult ParseStationFile(std::string_view text, const std::string& path,
                                   const std::function<std::string(std::string_view)>& resolve,
                                   const FileExists& exists);

}  // namespace corvane::wxcheck
