#pragma once

// The stations to extract from a model grid: a CSV file whose header names the columns
// id, lat and lon, and optionally name and elevation (decimal degrees, east positive).
// Also the check shared by every file named after a station.

#include <optional>
#include <string>
#include <vector>

namespace corvane::tsfconvert {

struct Station {
    std::string id;
    double lat = 0;
    double lon = 0;
    std::string name;  ///< empty when the list has none
    std::optional<double> elevation;
    std::int64_t line = 0;
};

/// Most stations one run extracts.
inline constexpr std::size_t kMaxStations = 100'000;

/// Reads the list. Throws ConvertError naming the file, the line and the problem: a missing
/// column, a coordinate that is no number or out of range, an identifier that cannot name a
/// file or occurs twice.
std::vector<Station> ReadStationList(const std::string& path);

/// Why `id` cannot begin a file name in the output folder (a slash, a control character,
/// "." or "..", a leading '-', more than 100 bytes); empty when it can.
std::string StationIdProblem(const std::string& id);

/// The output files' names sort in another order than the identifiers when one identifier
/// begins another and the suffix decides between them ("A" and "A_pa" with "_prd.tsf"):
/// such a pair, or an empty text.
std::string OrderProblem(std::vector<std::string> ids, const std::string& suffix);

}  // namespace corvane::tsfconvert
