#pragma once

// The command line of tsfconvert.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tsf/units.h"
#include "tsfconvert/csv_reader.h"
#include "tsfconvert/grid_points.h"
#include "tsfconvert/series.h"

namespace corvane::tsfconvert {

enum class InputFormat { Csv, IsdLite, Wrf, Netcdf };

/// A CSV column named by an option, with the unit its values are in.
struct ColumnOption {
    std::string column;
    WindUnit windUnit = WindUnit::MetresPerSecond;
    TemperatureUnit temperatureUnit = TemperatureUnit::Celsius;
    double scale = 1.0;  ///< Into the unit written: 1000 for a humidity in kg/kg.
};

/// The units an option's COL:UNIT accepts, for messages ("m/s, kt, mph or km/h"); empty
/// for an option that takes no unit.
std::string UnitsOfOption(std::string_view option);

struct ConvertOptions {
    InputFormat format = InputFormat::Csv;
    std::vector<std::string> inputs;
    std::string output;

    std::optional<Delimiter> delimiter;
    std::string timeColumn;
    std::string dateColumn;
    std::string hourColumn;
    std::string timeFormat;
    bool stampBegin = false;  ///< A time marks the beginning of its hour.

    std::optional<ColumnOption> wspeed, wdir, temp, rhum, mixr, shum, dewpoint;
    std::vector<std::string> missing;

    HourlyRule hourly = HourlyRule::Exact;
    int windowMinutes = 30;
    std::string zone = "UTC+0000";
    int zoneMinutes = 0;  ///< The zone's offset from UTC.
    std::string site;

    // Gridded input (--from wrf, --from netcdf): one output per station, in the folder
    // `output`.
    std::string stations;
    Interpolation interpolation = Interpolation::Nearest;
    std::optional<std::pair<int, int>> lead;           ///< hours after the file's initial time
    std::map<std::string, std::string> variableNames;  ///< --var QUANTITY=NAME
    // Long CSV (--station COL): one output per station value, in the folder `output`.
    std::string stationColumn;
    std::string siteColumn;
    std::string suffix;  ///< empty: _prd.tsf for gridded input, _obs.tsf for CSV

    bool Gridded() const { return format == InputFormat::Wrf || format == InputFormat::Netcdf; }
    bool ManyOutputs() const { return Gridded() || !stationColumn.empty(); }

    /// The arguments as given, for the command comment of the output.
    std::vector<std::string> arguments;
};

struct ParsedCommandLine {
    enum class Action { Convert, Help, Version, Fail } action = Action::Fail;
    ConvertOptions options;
    std::string error;  ///< For Fail: what is wrong, without the program's name.
};

/// Reads the arguments (without the program's name). Checks what can be checked without
/// opening a file: every option's value, the combinations, that inputs and an output are
/// given.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

/// The text of --help.
const char* UsageText();

}  // namespace corvane::tsfconvert
