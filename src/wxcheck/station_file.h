#pragma once

// The station file: three header lines, then one station a line as
// 'PREDICTED','OBSERVED'.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tsf/line_reader.h"

namespace corvane::wxcheck {

struct StationEntry {
    std::int64_t line = 0;
    /// As written in the station file.
    std::string predicted;
    std::string observed;
    /// Set when the line cannot be used (malformed, ambiguous, too long, a NUL byte); the
    /// station then fails.
    std::string error;
};

struct StationFileResult {
    bool ok = false;
    std::string error;
    std::vector<StationEntry> stations;
};

/// Tells whether a path (as written, resolved by the caller) names an existing file.
using FileExists = std::function<bool(const std::string& path)>;
using ResolvePath = std::function<std::string(std::string_view)>;

/// Reads the station file's lines from `reader`; `path` names the file in messages.
/// `resolve` turns a written path into the one to test; a line whose paths contain "','"
/// more than once is split where both files exist.
StationFileResult ParseStationFile(LineReader& reader, const std::string& path,
                                   const ResolvePath& resolve, const FileExists& exists);

/// The same for text held in memory.
StationFileResult ParseStationFile(std::string_view text, const std::string& path,
                                   const ResolvePath& resolve, const FileExists& exists);

/// Opens the station file (a plain file) and reads it.
StationFileResult ReadStationFile(const std::string& path, const ResolvePath& resolve,
                                  const FileExists& exists);

}  // namespace corvane::wxcheck
