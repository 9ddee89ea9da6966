#include "tsfconvert/options.h"

#include <charconv>
#include <functional>
#include <map>
#include <optional>

#include "tsf/text_scan.h"
#include "tsfconvert/input_file.h"

namespace corvane::tsfconvert {
namespace {

// Longest --site text: a station's name and place, never a paragraph.
constexpr std::size_t kMaxSiteText = 200;

struct Failure {
    std::string message;
};

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

int Digits(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty() ? value : -1;
}

// "COL" or "COL:UNIT": the unit is split off only when it is one the option knows, so
// that a header with a colon in it ("Wind:avg") still names its column.
template <typename Unit>
ColumnOption Column(const std::string& option, const std::string& value,
                    std::optional<Unit> (*unitFromText)(std::string_view), Unit& unit) {
    ColumnOption column;
    column.column = value;
    const std::size_t colon = value.rfind(':');
    if (unitFromText != nullptr && colon != std::string::npos) {
        if (const auto parsed = unitFromText(std::string_view(value).substr(colon + 1))) {
            unit = *parsed;
            column.column = value.substr(0, colon);
        }
    }
    if (column.column.empty()) {
        throw Failure{option + " wants a column name, not " + Quoted(value)};
    }
    return column;
}

// Mixing ratio and specific humidity are written in g/kg; model output often has kg/kg.
std::optional<double> HumidityScaleFromText(std::string_view text) {
    if (EqualsNoCase(text, "g/kg")) {
        return 1.0;
    }
    if (EqualsNoCase(text, "kg/kg")) {
        return 1000.0;
    }
    return std::nullopt;
}

// The one unit of a relative humidity and of a direction, as a TSF header writes them.
std::optional<double> PercentFromText(std::string_view text) {
    return text == "%" ? std::optional<double>(1.0) : std::nullopt;
}

std::optional<double> DegreesFromText(std::string_view text) {
    return EqualsNoCase(text, "deg") ? std::optional<double>(1.0) : std::nullopt;
}

Delimiter DelimiterFrom(const std::string& value) {
    if (value == "comma" || value == ",") {
        return {',', false};
    }
    if (value == "semicolon" || value == ";") {
        return {';', false};
    }
    if (value == "tab" || value == "\\t" || value == "\t") {
        return {'\t', false};
    }
    if (value == "blanks" || value == " ") {
        return {' ', true};
    }
    const char c = value.size() == 1 ? value[0] : '\0';
    if (c > ' ' && c < 0x7F && c != '"' && c != '#' && c != '.' && c != '-' && c != '+' &&
        !(c >= '0' && c <= '9') && !(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z')) {
        return {c, false};
    }
    throw Failure{
        "--delimiter wants comma, semicolon, tab, blanks or one punctuation "
        "character, not " +
        Quoted(value)};
}

// "UTC+0300": the sign, hours 00 to 23 and minutes 00 to 59; written with "UTC" in capitals.
bool ReadZone(std::string& zone, int& minutes) {
    const std::optional<int> offset = ZoneOffsetMinutes(zone);
    if (!offset) {
        return false;
    }
    zone.replace(0, 3, "UTC");
    minutes = *offset;
    return true;
}

void Check(const ConvertOptions& o, const std::map<std::string, bool>& given) {
    const auto has = [&](const char* name) { return given.count(name) > 0; };
    if (o.inputs.empty()) {
        throw Failure{"no input file is given"};
    }
    if (o.output.empty()) {
        throw Failure{o.ManyOutputs() ? "no output folder is given (-o FOLDER)"
                                      : "no output file is given (-o OUTPUT.tsf)"};
    }
    if (!o.Gridded()) {
        for (const char* option : {"--stations", "--interp", "--lead", "--var"}) {
            if (has(option)) {
                throw Failure{std::string(option) + " is for --from wrf and --from netcdf"};
            }
        }
    }
    if (has("--suffix") && !o.ManyOutputs()) {
        throw Failure{"--suffix names the files of --station or of gridded input"};
    }
    if (has("--site-col") && o.stationColumn.empty()) {
        throw Failure{"--site-col goes with --station"};
    }
    if (!o.stationColumn.empty() && has("--site")) {
        throw Failure{"--station writes one file per station: name their sites with --site-col"};
    }
    if (o.Gridded()) {
        for (const char* option :
             {"--delimiter", "--time", "--date", "--hour", "--time-format", "--stamp", "--wspeed",
              "--wdir", "--temp", "--rhum", "--mixr", "--shum", "--dewpoint", "--missing",
              "--hourly", "--window", "--zone", "--site", "--station"}) {
            if (has(option)) {
                throw Failure{std::string(option) +
                              " is for CSV input; gridded files name their variables with "
                              "--var and their stations with --stations"};
            }
        }
        if (o.stations.empty()) {
            throw Failure{"gridded input needs a station list: --stations STATIONS.csv"};
        }
        return;
    }
    if (o.format == InputFormat::IsdLite) {
        for (const char* option :
             {"--delimiter", "--time", "--date", "--hour", "--time-format", "--stamp", "--wspeed",
              "--wdir", "--temp", "--rhum", "--mixr", "--shum", "--dewpoint", "--missing",
              "--hourly", "--window", "--zone", "--station"}) {
            if (has(option)) {
                throw Failure{std::string(option) +
                              " is for CSV input: ISD-Lite files have fixed columns, whole "
                              "hours in UTC and -9999 for missing values"};
            }
        }
        return;
    }
    if (o.timeColumn.empty() == (o.dateColumn.empty() && o.hourColumn.empty())) {
        throw Failure{o.timeColumn.empty()
                          ? "no time column is given: --time COL, or --date COL and --hour COL"
                          : "--time cannot be given with --date and --hour"};
    }
    if (o.timeColumn.empty() && (o.dateColumn.empty() || o.hourColumn.empty())) {
        throw Failure{"--date and --hour go together"};
    }
    if (!o.wspeed && !o.wdir && !o.temp && !o.rhum && !o.mixr && !o.shum && !o.dewpoint) {
        throw Failure{
            "no variable is given: name at least one column with --wspeed, --wdir, --temp, "
            "--rhum, --mixr, --shum or --dewpoint"};
    }
    if (o.dewpoint && !o.temp) {
        throw Failure{"--dewpoint needs --temp: the relative humidity follows from both"};
    }
    if (o.dewpoint && o.rhum) {
        throw Failure{"--dewpoint and --rhum both give the relative humidity: choose one"};
    }
    if (has("--window") && o.hourly != HourlyRule::Nearest) {
        throw Failure{"--window goes with --hourly nearest"};
    }
}

}  // namespace

std::string UnitsOfOption(std::string_view option) {
    if (option == "--wspeed") {
        return "m/s, kt, mph or km/h";
    }
    if (option == "--temp" || option == "--dewpoint") {
        return "C, K or F";
    }
    if (option == "--mixr" || option == "--shum") {
        return "g/kg or kg/kg";
    }
    if (option == "--wdir") {
        return "deg";
    }
    return option == "--rhum" ? "%" : "";
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    ParsedCommandLine parsed;
    ConvertOptions& o = parsed.options;
    o.arguments = arguments;
    std::map<std::string, bool> given;

    using Handler = std::function<void(const std::string& option, const std::string& value)>;
    const auto text = [](std::string& target) -> Handler {
        return [&target](const std::string& option, const std::string& value) {
            if (value.empty()) {
                throw Failure{option + " wants a value"};
            }
            target = value;
        };
    };
    const auto scaled = [](std::optional<ColumnOption>& target,
                           std::optional<double> (*unitFromText)(std::string_view)) -> Handler {
        return [&target, unitFromText](const std::string& option, const std::string& value) {
            double scale = 1.0;
            ColumnOption column = Column(option, value, unitFromText, scale);
            column.scale = scale;
            target = column;
        };
    };
    const auto temperature = [](std::optional<ColumnOption>& target) -> Handler {
        return [&target](const std::string& option, const std::string& value) {
            TemperatureUnit unit = TemperatureUnit::Celsius;
            ColumnOption column = Column(option, value, &TemperatureUnitFromText, unit);
            column.temperatureUnit = unit;
            target = column;
        };
    };
    const std::map<std::string, Handler> withValue = {
        {"--output", text(o.output)},
        {"--from",
         [&](const std::string&, const std::string& value) {
             if (value == "csv") {
                 o.format = InputFormat::Csv;
             } else if (value == "isd-lite") {
                 o.format = InputFormat::IsdLite;
             } else if (value == "wrf") {
                 o.format = InputFormat::Wrf;
             } else if (value == "netcdf") {
                 o.format = InputFormat::Netcdf;
             } else {
                 throw Failure{"--from wants csv, isd-lite, wrf or netcdf, not " + Quoted(value)};
             }
         }},
        {"--delimiter",
         [&](const std::string&, const std::string& value) { o.delimiter = DelimiterFrom(value); }},
        {"--time", text(o.timeColumn)},
        {"--date", text(o.dateColumn)},
        {"--hour", text(o.hourColumn)},
        {"--time-format", text(o.timeFormat)},
        {"--stamp",
         [&](const std::string&, const std::string& value) {
             if (value != "end" && value != "begin") {
                 throw Failure{"--stamp wants end or begin, not " + Quoted(value)};
             }
             o.stampBegin = value == "begin";
         }},
        {"--wspeed",
         [&](const std::string& option, const std::string& value) {
             WindUnit unit = WindUnit::MetresPerSecond;
             ColumnOption column = Column(option, value, &WindUnitFromText, unit);
             column.windUnit = unit;
             o.wspeed = column;
         }},
        {"--wdir", scaled(o.wdir, &DegreesFromText)},
        {"--temp", temperature(o.temp)},
        {"--rhum", scaled(o.rhum, &PercentFromText)},
        {"--mixr", scaled(o.mixr, &HumidityScaleFromText)},
        {"--shum", scaled(o.shum, &HumidityScaleFromText)},
        {"--dewpoint", temperature(o.dewpoint)},
        {"--missing",
         [&](const std::string&, const std::string& value) { o.missing.push_back(value); }},
        {"--hourly",
         [&](const std::string&, const std::string& value) {
             if (value != "exact" && value != "nearest") {
                 throw Failure{"--hourly wants exact or nearest, not " + Quoted(value)};
             }
             o.hourly = value == "nearest" ? HourlyRule::Nearest : HourlyRule::Exact;
         }},
        {"--window",
         [&](const std::string&, const std::string& value) {
             o.windowMinutes = Digits(value);
             // A wider window would let one report stand for two hours.
             if (o.windowMinutes < 0 || o.windowMinutes > 30) {
                 throw Failure{"--window wants whole minutes from 0 to 30, not " + Quoted(value)};
             }
         }},
        {"--zone",
         [&](const std::string&, const std::string& value) {
             o.zone = value;
             if (!ReadZone(o.zone, o.zoneMinutes)) {
                 throw Failure{"--zone wants a zone such as UTC+0000 or UTC-0330, not " +
                               Quoted(value)};
             }
         }},
        {"--site",
         [&](const std::string&, const std::string& value) {
             if (value.empty() || HasControlCharacter(value) || value.size() > kMaxSiteText) {
                 throw Failure{"--site wants a text of one line, at most 200 bytes, not " +
                               Quoted(value)};
             }
             o.site = value;
         }},
        {"--stations", text(o.stations)},
        {"--interp",
         [&](const std::string&, const std::string& value) {
             if (value != "nearest" && value != "bilinear") {
                 throw Failure{"--interp wants nearest or bilinear, not " + Quoted(value)};
             }
             o.interpolation =
                 value == "nearest" ? Interpolation::Nearest : Interpolation::Bilinear;
         }},
        {"--lead",
         [&](const std::string&, const std::string& value) {
             const std::size_t colon = value.find(':');
             const int from = colon == std::string::npos ? -1 : Digits(value.substr(0, colon));
             const int to = colon == std::string::npos ? -1 : Digits(value.substr(colon + 1));
             if (from < 0 || to < from || to > 100000) {
                 throw Failure{"--lead wants FROM:TO, whole hours with FROM up to TO, not " +
                               Quoted(value)};
             }
             o.lead = std::pair{from, to};
         }},
        {"--var",
         [&](const std::string&, const std::string& value) {
             static const char* const kQuantities[] = {"u",    "v",    "wspeed", "wdir",    "temp",
                                                       "mixr", "shum", "rhum",   "dewpoint"};
             const std::size_t equals = value.find('=');
             const std::string quantity = value.substr(0, equals);
             bool known = false;
             for (const char* q : kQuantities) {
                 known = known || quantity == q;
             }
             if (equals == std::string::npos || equals + 1 == value.size() || !known) {
                 throw Failure{
                     "--var wants QUANTITY=NAME with QUANTITY one of u, v, wspeed, "
                     "wdir, temp, mixr, shum, rhum, dewpoint, not " +
                     Quoted(value)};
             }
             if (!o.variableNames.emplace(quantity, value.substr(equals + 1)).second) {
                 throw Failure{"--var names " + Quoted(quantity) + " twice"};
             }
         }},
        {"--station", text(o.stationColumn)},
        {"--site-col", text(o.siteColumn)},
        {"--suffix",
         [&](const std::string&, const std::string& value) {
             if (value.empty() || value.find('/') != std::string::npos ||
                 HasControlCharacter(value) || value.size() > 100) {
                 throw Failure{"--suffix wants the end of a file name, not " + Quoted(value)};
             }
             o.suffix = value;
         }},
    };

    try {
        bool optionsEnd = false;
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            std::string arg = arguments[i];
            if (optionsEnd || arg.size() < 2 || arg[0] != '-') {
                o.inputs.push_back(arg);
                continue;
            }
            if (arg == "--") {
                optionsEnd = true;
                continue;
            }
            if (arg == "--help" || arg == "-h") {
                parsed.action = ParsedCommandLine::Action::Help;
                return parsed;
            }
            if (arg == "--version") {
                parsed.action = ParsedCommandLine::Action::Version;
                return parsed;
            }
            std::optional<std::string> value;
            if (const std::size_t equals = arg.find('=');
                arg.starts_with("--") && equals != std::string::npos) {
                value = arg.substr(equals + 1);
                arg.resize(equals);
            }
            if (arg == "-o") {
                arg = "--output";
            }
            const auto handler = withValue.find(arg);
            if (handler == withValue.end()) {
                throw Failure{"unknown option " + Quoted(arg)};
            }
            if (!value) {
                if (i + 1 == arguments.size()) {
                    throw Failure{arg + " wants a value"};
                }
                value = arguments[++i];
            }
            if (given[arg] && arg != "--missing" && arg != "--var") {
                throw Failure{arg + " is given twice"};
            }
            given[arg] = true;
            handler->second(arg, *value);
        }
        Check(o, given);
        if (o.suffix.empty()) {
            o.suffix = o.Gridded() ? "_prd.tsf" : "_obs.tsf";
        }
        if (!o.timeFormat.empty()) {
            TimeFormat(o.timeFormat, o.timeColumn.empty());  // throws on a bad pattern
        }
    } catch (const Failure& failure) {
        parsed.error = failure.message;
        return parsed;
    } catch (const ConvertError& error) {
        parsed.error = error.what();
        return parsed;
    }
    parsed.action = ParsedCommandLine::Action::Convert;
    return parsed;
}

const char* UsageText() {
    return R"(Usage: tsfconvert [OPTIONS] INPUT... -o OUTPUT.tsf
       tsfconvert --from isd-lite [--site TEXT] FILE... -o OUTPUT.tsf
       tsfconvert --from wrf|netcdf --stations STATIONS.csv [OPTIONS] FILE... -o FOLDER
       tsfconvert --station COL [OPTIONS] INPUT... -o FOLDER
       tsfconvert --help | --version

Converts hourly observations or model values from CSV files, or from ISD-Lite station
archives, into one time series file (TSF) for wxcheck and the Corvane wizard. Several
inputs are joined; records are sorted by time.

Input and output:
  -o, --output FILE       the TSF file to write (replaced only once complete)
  --from FORMAT           csv (default) or isd-lite
  --delimiter CHAR        comma, semicolon, tab, blanks or one punctuation character
                          (default: detected from the header row)
  --site TEXT             the station's site, written as a "Site:" comment line
                          (ISD-Lite: the station identifier of the file name)

Time (CSV):
  --time COL              column of ISO 8601 date-times (2024-07-01T13:00,
                          2024-07-01 13:00:00, a trailing Z)
  --date COL              column of dates, with --hour
  --hour COL              column of hours (13, 13:00; 24 ends the day), with --date
  --time-format PATTERN   the times (or with --date the dates) as strptime-style fields:
                          %Y %m %d %H %M %S %j %%
  --stamp WHEN            end (default): a time marks the end of its hour; begin: its
                          beginning
  --hourly RULE           exact (default): every time is a full hour; nearest: per hour
                          the record nearest to it
  --window MINUTES        with --hourly nearest: at most this far before or after the
                          hour, 0 to 30 (default 30)
  --zone ZONE             the zone of the times, written to the header, e.g. UTC+0100
                          (default UTC+0000); times are not shifted

Variables (CSV; COL is a header name):
  --wspeed COL[:UNIT]     wind speed in m/s (default), kt, mph or km/h; written in m/s
  --wdir COL[:deg]        wind direction, degrees from north
  --temp COL[:UNIT]       temperature in C (default), K or F; written in its unit
  --rhum COL[:%]          relative humidity, %
  --mixr COL[:UNIT]       mixing ratio in g/kg (default) or kg/kg; written in g/kg
  --shum COL[:UNIT]       specific humidity in g/kg (default) or kg/kg; written in g/kg
  --dewpoint COL[:UNIT]   dew point in C (default), K or F; written as the relative
                          humidity, with --temp
  --missing TEXT          a cell with this text is missing (may be repeated); empty
                          cells are missing anyway; written as -999

Many stations (-o names a folder, made if missing):
  --station COL           CSV: one file per value of this column, named VALUE_obs.tsf
  --site-col COL          with --station: the column of each station's "Site:" text
  --suffix TEXT           the end of the file names (default _obs.tsf, or _prd.tsf)

Gridded input (--from wrf: WRF output; --from netcdf: CF-convention files):
  --stations FILE         CSV with the columns id, lat, lon (name, elevation); one file
                          per station, named ID_prd.tsf: WSPEED m/s, WDIR deg (earth),
                          TEMP K and the humidity the files have (MIXR, SHUM or RHUM)
  --interp METHOD         nearest (default) or bilinear
  --lead FROM:TO          keep the hours FROM to TO after each file's initial time; of a
                          time still in two files the later forecast counts (without it
                          such a time is an error)
  --var QUANTITY=NAME     the variable of u, v, wspeed, wdir, temp, mixr, shum, rhum or
                          dewpoint (default: WRF's U10 V10 T2 Q2; CF's standard names)

  -h, --help              this text
  --version               the program's version

Exit status: 0 written, 1 written with warnings or some stations failed, 2 nothing
written.
)";
}

}  // namespace corvane::tsfconvert
