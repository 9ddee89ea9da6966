#include "tsfconvert/station_list.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "tsf/text_scan.h"
#include "tsfconvert/csv_reader.h"

namespace corvane::tsfconvert {

std::string StationIdProblem(const std::string& id) {
    if (id.empty()) {
        return "is empty";
    }
    if (id.size() > 100) {
        return "is longer than 100 bytes";
    }
    if (id == "." || id == ".." || id.front() == '-' || id.front() == '.') {
        return "cannot begin a file name";
    }
    for (const char c : id) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return "holds a slash or a control character";
        }
    }
    return {};
}

std::string OrderProblem(std::vector<std::string> ids, const std::string& suffix) {
    std::sort(ids.begin(), ids.end());
    // Names that differ before either ends sort alike with any suffix; only an identifier
    // and those that begin with it, which follow it in sorted order, can swap.
    for (std::size_t i = 0; i < ids.size(); ++i) {
        for (std::size_t j = i + 1; j < ids.size() && ids[j].starts_with(ids[i]); ++j) {
            if (ids[j] + suffix < ids[i] + suffix) {
                return Quoted(ids[i]) + " and " + Quoted(ids[j]);
            }
        }
    }
    return {};
}

std::vector<Station> ReadStationList(const std::string& path) {
    CsvReader reader(path, std::nullopt);
    const auto column = [&](const char* name, bool required) {
        const auto& header = reader.Header();
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (EqualsNoCase(Trim(header[i]), name)) {
                return static_cast<int>(i);
            }
        }
        if (required) {
            throw ConvertError(Where(path, reader.HeaderLine()) +
                               "the station list has no column \"" + name +
                               "\" (it needs id, lat and lon; name and elevation may follow)");
        }
        return -1;
    };
    const int id = column("id", true);
    const int lat = column("lat", true);
    const int lon = column("lon", true);
    const int name = column("name", false);
    const int elevation = column("elevation", false);
    const int last = std::max({id, lat, lon, name, elevation});

    std::vector<Station> stations;
    std::set<std::string> ids;
    std::vector<std::string_view> fields;
    while (reader.Next(fields)) {
        const std::string where = Where(path, reader.Line());
        if (static_cast<int>(fields.size()) <= last) {
            throw ConvertError(where + "the line has " + std::to_string(fields.size()) +
                               " fields, the header " + std::to_string(reader.Header().size()));
        }
        const auto number = [&](int at, const char* what, double low, double high) {
            double value = 0;
            const std::string_view text = fields[static_cast<std::size_t>(at)];
            if (!ParseDouble(text, value) || !std::isfinite(value) || value < low || value > high) {
                throw ConvertError(where + "the " + what + " " + Quoted(text) +
                                   " is no number from " + std::to_string(static_cast<int>(low)) +
                                   " to " + std::to_string(static_cast<int>(high)));
            }
            return value;
        };
        Station station;
        station.id = std::string(fields[static_cast<std::size_t>(id)]);
        if (const std::string problem = StationIdProblem(station.id); !problem.empty()) {
            throw ConvertError(where + "the station id " + Quoted(station.id) + " " + problem);
        }
        if (!ids.insert(station.id).second) {
            throw ConvertError(where + "the station id " + Quoted(station.id) +
                               " occurs twice in the list");
        }
        station.lat = number(lat, "latitude", -90, 90);
        station.lon = number(lon, "longitude", -180, 360);
        if (name >= 0) {
            station.name = std::string(fields[static_cast<std::size_t>(name)]);
            for (char& c : station.name) {
                c = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
            }
        }
        if (elevation >= 0 && !fields[static_cast<std::size_t>(elevation)].empty()) {
            station.elevation = number(elevation, "elevation", -500, 9000);
        }
        station.line = reader.Line();
        if (stations.size() == kMaxStations) {
            throw ConvertError(where + "more than 100 000 stations in one list");
        }
        stations.push_back(std::move(station));
    }
    if (stations.empty()) {
        throw ConvertError(path + ": the station list holds no station");
    }
    return stations;
}

}  // namespace corvane::tsfconvert
