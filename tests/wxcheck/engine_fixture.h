#pragma once

// Helpers for the engine's tests: a scratch folder, the wizard's control and station files,
// small TSF files, and the statistics files read back by their column names.

#include <gtest/gtest.h>

#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"

namespace corvane::wxcheck::testing {

using corvane::testing::ReadFile;
using corvane::testing::ScratchFolder;
using corvane::testing::WriteFile;

/// ControlOptions' calm threshold, as a number.
inline constexpr double kCalm = 0.9999;
/// The four quantities in the engine's order, and the titles of their charts on the pages.
enum Quantity { kWs, kWd, kT, kQ };
inline const std::string kCharts[] = {"Wind speed", "Wind direction", "Temperature",
                                      "Humidity (MIXR)"};

struct ControlOptions {
    std::string folder;
    std::string base = "run";
    std::string zone = "UTC+0000";
    std::string start = "20080101010000";
    std::string end = "20080102000000";
    std::string calm = "0.9999";
    std::string filter = "0";
    std::string title = "Test run";
    std::string block =
        "4                  : Number of time periods for additional analysis (NTPD)\r\n"
        "01,06              : Time Range in the UTC above\r\n"
        "07,12              : Time Range in the UTC above\r\n"
        "13,18              : Time Range in the UTC above\r\n"
        "19,00              : Time Range in the UTC above\r\n"
        "0                  : Number of WS ranges for additional analysis in m/s (NWSP)\r\n";
};

/// The control file as the wizard writes it (CRLF, comment lines after the block).
inline std::string ControlText(const ControlOptions& o) {
    std::string text = "WXCHECK.INP     1.0             First used in WXCHECK v3.0\r\n";
    for (const std::string& value : {o.title, o.folder, o.base + "_wxcheck.lst", o.base + "_",
                                     o.base + "_WXCHECK.TSF.STN", o.zone, o.start, o.end}) {
        text += "'" + value + "'\r\n";
    }
    text += o.calm + "\r\n" + o.filter + "\r\n";
    text += "--- LINES BELOW CONFIGURE WINDROSE OPTIONS --- (Do not delete this line)\r\n";
    text += o.block;
    text += "\r\n\r\n****** Below are Comment lines *******************\r\n\r\n";
    text += "Line 1:  File dataset version (introduced in WXCHECK v3.0)  [format 2a16,a64]\r\n";
    return text;
}

inline std::string StationText(const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::string text =
        "WXCHECK.TSF.STN 1.0             Free-form text string for filenames in quotes\r\n1\r\n"
        "Modeled and Observed timeseries data filenames for each station\r\n";
    for (const auto& [predicted, observed] : pairs) {
        text += "'" + predicted + "','" + observed + "'\r\n";
    }
    return text;
}

/// A TSF file: header with the zone, a site line when `site` is given, the variable lines,
/// then `records` as they stand.
inline std::string TsfText(const std::vector<std::string>& variables, const std::string& records,
                           const std::string& zone = "UTC+0000", const std::string& site = "") {
    std::string text = "TIMESERIES.TSF 1.3\n2- comments\none\n" +
                       (site.empty() ? "two" : "Site: " + site) + "\nskipped\nskipped\n" + zone +
                       "\nGREGORIAN_YMD\n2008 01 01 01 0000 2008 01 02 00 0000 3600\n" +
                       std::to_string(variables.size()) + "-\n";
    for (const std::string& v : variables) {
        text += v + "\n";
    }
    return text + records;
}

/// A record ending at day `day` of January 2008, hour `hour` (24 = 00 of the next day; hour
/// 0 of day 1 begins on 31 December 2007).
inline std::string Record(int day, int hour, const std::string& values) {
    // 1199145600 is 2008-01-01 00:00:00 UTC.
    const std::time_t endTime = 1199145600 + (day - 1) * 86400 + hour * 3600;
    const std::time_t beginTime = endTime - 3600;
    char text[80];
    std::size_t size = std::strftime(text, sizeof text, "%Y %m %d %H 0000 ", gmtime(&beginTime));
    std::strftime(text + size, sizeof text - size, "%Y %m %d %H 0000 ", gmtime(&endTime));
    return text + values + "\n";
}

/// A statistics file read the way a data-frame reader reads it: '#' lines skipped, one
/// header line, columns split at blanks.
struct Table {
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> rows;

    std::string At(std::size_t row, const std::string& column) const {
        for (std::size_t c = 0; c < names.size(); ++c) {
            if (names[c] == column) {
                return row < rows.size() && c < rows[row].size() ? rows[row][c] : "<no row>";
            }
        }
        return "<no column " + column + ">";
    }
    /// The values of the blank-separated `columns` of `row`, joined by single blanks.
    std::string Fields(std::size_t row, const std::string& columns) const {
        std::istringstream names(columns);
        std::string joined;
        for (std::string name; names >> name;) {
            joined.append(" ").append(At(row, name));
        }
        return joined.empty() ? joined : joined.substr(1);
    }
};

inline Table ReadTable(const std::string& path) {
    Table table;
    std::istringstream in(ReadFile(path));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::vector<std::string> row;
        for (std::string field; fields >> field;) {
            row.push_back(field);
        }
        if (table.names.empty()) {
            table.names = row;
        } else {
            EXPECT_EQ(row.size(), table.names.size()) << line;
            table.rows.push_back(row);
        }
    }
    return table;
}

}  // namespace corvane::wxcheck::testing
