#include "tsfconvert/sources.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>

#include "tsf/text_scan.h"
#include "tsfconvert/csv_reader.h"
#include "tsfconvert/value_ranges.h"

namespace corvane::tsfconvert {
namespace {

// A value at or below this is a missing-value code, as in TSF files, and stays missing
// through any conversion: -999 kt must not become -513.9 m/s.
constexpr double kMissingCode = -900.0;

// Most variables one output holds: every option of a CSV input once.
constexpr std::size_t kMaxVariables = 8;

void AddObservation(Series& series, const std::string& path, std::int64_t line, Seconds time,
                    std::uint32_t file, const double* values, OutOfRangeValues& outOfRange) {
    if (series.observations.size() == kMaxObservations) {
        throw ConvertError(Where(path, line) + "more than 10 000 000 records in one output, " +
                           "more than a thousand years of hourly data; convert the inputs in " +
                           "parts");
    }
    std::array<double, kMaxVariables> checked{};
    for (std::size_t v = 0; v < series.variables.size(); ++v) {
        checked[v] = Checked(series.variables[v], values[v], path, line, outOfRange);
    }
    series.observations.push_back({time, line, file});
    series.values.insert(series.values.end(), checked.begin(),
                         checked.begin() + static_cast<std::ptrdiff_t>(series.variables.size()));
}

// ---- CSV ----------------------------------------------------------------------------

enum class Source { Plain, Wind, DewPoint };

// A variable of the output and the CSV column it comes from.
struct CsvVariable {
    OutputVariable output;
    const char* option = "";
    ColumnOption column;
    Source source = Source::Plain;
};

// The variables the options name, in the order the output writes them.
std::vector<CsvVariable> CsvVariables(const ConvertOptions& o) {
    std::vector<CsvVariable> variables;
    const auto add = [&](const std::optional<ColumnOption>& column, const char* name,
                         std::string units, const char* option, Source source = Source::Plain) {
        if (column) {
            variables.push_back({{name, std::move(units)}, option, *column, source});
        }
    };
    add(o.wspeed, "WSPEED", "m/s", "--wspeed", Source::Wind);
    add(o.wdir, "WDIR", "deg", "--wdir");
    if (o.temp) {
        add(o.temp, "TEMP", TemperatureUnitText(o.temp->temperatureUnit), "--temp");
    }
    add(o.mixr, "MIXR", "g/kg", "--mixr");
    add(o.shum, "SHUM", "g/kg", "--shum");
    add(o.rhum, "RHUM", "%", "--rhum");
    add(o.dewpoint, "RHUM", "%", "--dewpoint", Source::DewPoint);
    return variables;
}

struct ColumnPlan {
    CsvVariable variable;
    int column = -1;
    int temperatureColumn = -1;  // for the dew point
};

bool SameNoCase(std::string_view a, std::string_view b) {
    return corvane::EqualsNoCase(corvane::Trim(a), corvane::Trim(b));
}

int FindColumn(const CsvReader& reader, const std::string& name, const std::string& option) {
    const auto& header = reader.Header();
    const auto matches = [&](auto same) {
        std::vector<int> found;
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (same(header[i], name)) {
                found.push_back(static_cast<int>(i));
            }
        }
        return found;
    };
    std::vector<int> found =
        matches([](const std::string& a, const std::string& b) { return a == b; });
    if (found.empty()) {
        found = matches(SameNoCase);
    }
    const std::string where = Where(reader.Path(), reader.HeaderLine());
    if (found.size() > 1) {
        throw ConvertError(where + "the header row has the column " + Quoted(name) + " (" + option +
                           ") more than once: fields " + std::to_string(found[0] + 1) + " and " +
                           std::to_string(found[1] + 1));
    }
    const std::size_t colon = name.rfind(':');
    if (found.empty() && colon != std::string::npos && colon > 0) {
        // "q2:lb/lb" where "q2" is a column: the unit is what is wrong, not the column.
        const std::string column = name.substr(0, colon);
        const bool known = std::any_of(header.begin(), header.end(), [&](const std::string& h) {
            return h == column || SameNoCase(h, column);
        });
        if (known) {
            const std::string units = UnitsOfOption(option);
            throw ConvertError(where + "the header row has the column " + Quoted(column) +
                               ", but " + Quoted(name.substr(colon + 1)) + " is no unit of " +
                               option +
                               (units.empty() ? ", which takes none" : "; it knows " + units));
        }
    }
    if (found.empty()) {
        std::string names;
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (names.size() > 200) {
                names += ", ... (" + std::to_string(header.size()) + " in all)";
                break;
            }
            names += (i == 0 ? "" : ", ") + Quoted(header[i]);
        }
        throw ConvertError(where + "the header row has no column " + Quoted(name) + " (" + option +
                           "); split at " + DelimiterName(reader.delimiter()) +
                           ", its columns are " + names);
    }
    return found.front();
}

class CsvFile {
public:
    CsvFile(const ConvertOptions& options, const std::string& path, std::uint32_t index,
            Series& series, OutOfRangeValues& outOfRange)
        : o_(options),
          reader_(path, options.delimiter),
          index_(index),
          series_(series),
          outOfRange_(outOfRange) {
        if (!o_.timeColumn.empty()) {
            time_ = Find(o_.timeColumn, "--time");
        } else {
            time_ = Find(o_.dateColumn, "--date");
            hour_ = Find(o_.hourColumn, "--hour");
        }
        if (!o_.timeFormat.empty()) {
            format_.emplace(o_.timeFormat, o_.timeColumn.empty());
        }
        for (const CsvVariable& variable : CsvVariables(o_)) {
            ColumnPlan plan{variable, Find(variable.column.column, variable.option), -1};
            if (variable.source == Source::DewPoint) {
                plan.temperatureColumn = Find(o_.temp->column, "--temp");
            }
            columns_.push_back(plan);
        }
        for (const ColumnPlan& plan : columns_) {
            last_ = std::max({last_, plan.column, plan.temperatureColumn});
        }
        if (!o_.stationColumn.empty()) {
            station_ = Find(o_.stationColumn, "--station");
            if (!o_.siteColumn.empty()) {
                site_ = Find(o_.siteColumn, "--site-col");
            }
        }
        last_ = std::max({last_, time_, hour_, station_, site_});
    }

    void Read(std::int64_t& utcMarks) {
        std::vector<std::string_view> fields;
        std::vector<double> values(columns_.size());
        // Room for the whole file at once: growing by doubling would copy it over and over.
        const std::size_t expected = std::min(
            kMaxObservations, series_.observations.size() + reader_.EstimatedRecords() + 16);
        series_.observations.reserve(expected);
        series_.values.reserve(expected * columns_.size());
        while (reader_.Next(fields)) {
            fields_ = &fields;
            if (static_cast<int>(fields.size()) <= last_) {
                Short(fields.size());
            }
            const TimeRead time = Time(fields);
            utcMarks += time.utcMark ? 1 : 0;
            for (std::size_t v = 0; v < columns_.size(); ++v) {
                values[v] = Value(columns_[v]);
            }
            AddObservation(series_, reader_.Path(), reader_.Line(), time.seconds, index_,
                           values.data(), outOfRange_);
            if (station_ >= 0) {
                AddStation(fields);
            }
        }
    }

private:
    void AddStation(const std::vector<std::string_view>& fields) {
        const std::string_view value = fields[static_cast<std::size_t>(station_)];
        if (value.empty()) {
            Fail(station_, "is no station: the station column is empty");
        }
        if (stationIndex_.empty()) {  // the stations of the files read before
            for (std::uint32_t i = 0; i < series_.stations.size(); ++i) {
                stationIndex_.emplace(series_.stations[i], i);
            }
        }
        auto found = stationIndex_.find(value);
        if (found == stationIndex_.end()) {
            found = stationIndex_
                        .emplace(std::string(value),
                                 static_cast<std::uint32_t>(series_.stations.size()))
                        .first;
            series_.stations.emplace_back(value);
            series_.sites.emplace_back(site_ >= 0 ? fields[static_cast<std::size_t>(site_)]
                                                  : std::string_view());
        }
        series_.station.push_back(found->second);
    }

    int Find(const std::string& name, const char* option) {
        return FindColumn(reader_, name, option);
    }

    [[noreturn]] void Fail(int column, const std::string& what) const {
        throw ConvertError(Where(reader_.Path(), reader_.Line()) + "column " +
                           Quoted(reader_.Header()[static_cast<std::size_t>(column)]) + " (field " +
                           std::to_string(column + 1) + "): " +
                           Quoted((*fields_)[static_cast<std::size_t>(column)]) + " " + what);
    }

    // Names the first column the line lacks.
    [[noreturn]] void Short(std::size_t count) const {
        int wanted = last_;
        for (const int column : {time_, hour_}) {
            if (column >= static_cast<int>(count)) {
                wanted = std::min(wanted, column);
            }
        }
        for (const ColumnPlan& plan : columns_) {
            for (const int column : {plan.column, plan.temperatureColumn}) {
                if (column >= static_cast<int>(count)) {
                    wanted = std::min(wanted, column);
                }
            }
        }
        throw ConvertError(
            Where(reader_.Path(), reader_.Line()) + "the line has " + std::to_string(count) +
            (count == 1 ? " field" : " fields") + ", but column " +
            Quoted(reader_.Header()[static_cast<std::size_t>(wanted)]) + " is field " +
            std::to_string(wanted + 1) + " (split at " + DelimiterName(reader_.delimiter()) + ")");
    }

    TimeRead Time(const std::vector<std::string_view>& fields) const {
        const std::string_view text = fields[static_cast<std::size_t>(time_)];
        TimeRead time;
        if (hour_ < 0) {
            time = format_ ? format_->Read(text) : ReadIsoDateTime(text);
        } else {
            time = format_ ? format_->Read(text) : ReadIsoDate(text);
            if (time.ok()) {
                const TimeRead hour = ReadHourOfDay(fields[static_cast<std::size_t>(hour_)]);
                if (!hour.ok()) {
                    Fail(hour_, hour.error);
                }
                time.seconds += hour.seconds;
            }
        }
        if (!time.ok()) {
            Fail(time_, time.error);
        }
        if (o_.hourly == HourlyRule::Exact && time.seconds % kHour != 0) {
            // With a date column beside it, the minutes come from the hour column.
            Fail(hour_ >= 0 ? hour_ : time_,
                 "is not a full hour; --hourly nearest picks the report nearest to each hour");
        }
        if (o_.stampBegin) {
            time.seconds += kHour;
        }
        return time;
    }

    double Number(int column) const {
        std::string_view cell = (*fields_)[static_cast<std::size_t>(column)];
        if (cell.empty()) {
            return kMissingValue;
        }
        for (const std::string& missing : o_.missing) {
            if (cell == missing) {
                return kMissingValue;
            }
        }
        double value = 0;
        if (!corvane::ParseDouble(cell, value)) {
            Fail(column, cell.find(',') != std::string_view::npos
                             ? "is not a number (write decimals with a point)"
                             : "is not a number; give missing-value texts with --missing");
        }
        return std::isfinite(value) && value > kMissingCode ? value : kMissingValue;
    }

    double Value(const ColumnPlan& plan) const {
        const double value = Number(plan.column);
        if (std::isnan(value)) {
            return value;
        }
        switch (plan.variable.source) {
            case Source::Plain:
                return plan.variable.column.scale == 1.0
                           ? value
                           : RoundConverted(value * plan.variable.column.scale);
            case Source::Wind: {
                const WindUnit unit = plan.variable.column.windUnit;
                return unit == WindUnit::MetresPerSecond
                           ? value
                           : RoundConverted(MetresPerSecond(value, unit));
            }
            case Source::DewPoint:
                break;
        }
        const double temperature = Number(plan.temperatureColumn);
        if (std::isnan(temperature)) {
            return temperature;
        }
        return CheckedRelativeHumidity(Celsius(temperature, o_.temp->temperatureUnit),
                                       Celsius(value, plan.variable.column.temperatureUnit),
                                       reader_.Path(), reader_.Line(), outOfRange_);
    }

    const ConvertOptions& o_;
    CsvReader reader_;
    std::uint32_t index_;
    Series& series_;
    OutOfRangeValues& outOfRange_;
    std::optional<TimeFormat> format_;
    int time_ = -1;
    int hour_ = -1;
    int last_ = -1;
    int station_ = -1;
    int site_ = -1;
    std::map<std::string, std::uint32_t, std::less<>> stationIndex_;
    std::vector<ColumnPlan> columns_;
    const std::vector<std::string_view>* fields_ = nullptr;
};

// ---- ISD-Lite ------------------------------------------------------------------------

constexpr int kIsdFields = 12;
constexpr int kIsdMissing = -9999;
constexpr std::array<const char*, kIsdFields> kIsdFieldNames = {"year",
                                                                "month",
                                                                "day",
                                                                "hour",
                                                                "air temperature",
                                                                "dew point",
                                                                "sea-level pressure",
                                                                "wind direction",
                                                                "wind speed",
                                                                "sky cover",
                                                                "1-hour precipitation",
                                                                "6-hour precipitation"};

}  // namespace

Series ReadCsvInputs(const ConvertOptions& options, std::vector<std::string>& warnings) {
    Series series;
    series.files = options.inputs;
    for (const CsvVariable& variable : CsvVariables(options)) {
        series.variables.push_back(variable.output);
    }

    std::int64_t utcMarks = 0;
    OutOfRangeValues outOfRange;
    for (std::size_t i = 0; i < options.inputs.size(); ++i) {
        CsvFile(options, options.inputs[i], static_cast<std::uint32_t>(i), series, outOfRange)
            .Read(utcMarks);
    }
    if (outOfRange.count() > 0) {
        warnings.push_back(outOfRange.Warning());
    }
    if (utcMarks > 0 && options.zoneMinutes != 0) {
        warnings.push_back(std::to_string(utcMarks) + " times end in Z (UTC), but the zone is " +
                           options.zone + ": they are written as they stand, not shifted");
    }
    return series;
}

std::string IsdLiteStation(const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos && dot > 0) {
        name.resize(dot);
    }
    const std::size_t dash = name.rfind('-');
    if (dash != std::string::npos && dash > 0 && name.size() - dash == 5 &&
        name.find_first_not_of("0123456789", dash + 1) == std::string::npos) {
        name.resize(dash);
    }
    return name;
}

Series ReadIsdLiteInputs(const ConvertOptions& options, std::string& site,
                         std::vector<std::string>& warnings) {
    OutOfRangeValues outOfRange;
    Series series;
    series.files = options.inputs;
    series.variables = {{"WSPEED", "m/s"}, {"WDIR", "deg"}, {"TEMP", "C"}, {"RHUM", "%"}};
    for (const std::string& path : options.inputs) {
        const std::string station = IsdLiteStation(path);
        if (site.empty()) {
            site = station;
        } else if (station != site && options.site.empty()) {
            throw ConvertError(path + ": the file name names the station " + Quoted(station) +
                               ", the first input " + Quoted(site) +
                               "; give --site TEXT to join files of different names");
        }
    }
    if (!options.site.empty()) {
        site = options.site;
    }
    std::vector<std::string_view> fields;
    for (std::size_t file = 0; file < options.inputs.size(); ++file) {
        InputFile lines(options.inputs[file]);
        std::string_view line;
        while (lines.Next(line)) {
            fields = corvane::SplitBlanks(line);
            if (fields.empty()) {
                continue;
            }
            const std::string where = Where(lines.Path(), lines.LineNumber());
            if (fields.size() != kIsdFields) {
                throw ConvertError(where + "an ISD-Lite line has 12 fields, this one has " +
                                   std::to_string(fields.size()) + ": " + Quoted(line));
            }
            std::array<int, kIsdFields> number{};
            for (int f = 0; f < kIsdFields; ++f) {
                std::int64_t value = 0;
                if (!corvane::ParseInt(fields[static_cast<std::size_t>(f)], value) ||
                    value < -99999 || value > 99999) {
                    throw ConvertError(where + "field " + std::to_string(f + 1) + " (" +
                                       kIsdFieldNames[static_cast<std::size_t>(f)] +
                                       "): " + Quoted(fields[static_cast<std::size_t>(f)]) +
                                       " is not a whole number");
                }
                number[static_cast<std::size_t>(f)] = static_cast<int>(value);
            }
            TimeRead time = SecondsFromFields(number[0], number[1], number[2], 0, number[3], 0, 0);
            if (time.ok() && (number[3] < 0 || number[3] > 23)) {
                time.error = "is no hour of the day (0 to 23)";
            }
            if (!time.ok()) {
                throw ConvertError(where + "the time " +
                                   Quoted(line.substr(0, std::min<std::size_t>(line.size(), 13))) +
                                   " " + time.error);
            }
            const auto tenths = [](int value) {
                return value == kIsdMissing ? kMissingValue : value / 10.0;
            };
            const double temperature = tenths(number[4]);
            const double dewPoint = tenths(number[5]);
            const std::array<double, 4> values = {
                tenths(number[8]), number[7] == kIsdMissing ? kMissingValue : number[7],
                temperature,
                CheckedRelativeHumidity(temperature, dewPoint, lines.Path(), lines.LineNumber(),
                                        outOfRange)};
            AddObservation(series, lines.Path(), lines.LineNumber(), time.seconds,
                           static_cast<std::uint32_t>(file), values.data(), outOfRange);
        }
    }
    if (outOfRange.count() > 0) {
        warnings.push_back(outOfRange.Warning());
    }
    return series;
}

}  // namespace corvane::tsfconvert
