#include "wxcheck/outputs/csv_output.h"

#include <array>
#include <cmath>

#include "tsf/text_scan.h"
#include "tsf/units.h"
#include "wxcheck/evaluation/benchmarks.h"
#include "wxcheck/outputs/output_text.h"

namespace corvane::wxcheck {

namespace {

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
    return out;
}

std::string CsvText(std::string_view outside) {
    return CsvField(SpreadsheetText(outside));
}

std::string CsvValue(double value) {
    return std::isfinite(value) ? FormatValue(value) : std::string();
}

}  // namespace

std::string SpreadsheetText(std::string_view outside) {
    std::string text = ShownText(outside);
    if (!text.empty() &&
        std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) {
        text.insert(text.begin(), '\'');
    }
    return text;
}

IsoTimes::IsoTimes(std::string_view zone) {
    if (const std::optional<int> offset = ZoneOffsetMinutes(zone)) {
        offset_ = OffsetText(*offset);
    }
}

const std::string& IsoTimes::Text(Stamp stamp) {
    const std::int64_t dayNumber = FloorDiv(stamp, kSecondsPerDay);
    if (!haveDay_ || dayNumber != dayNumber_) {
        text_ = FormatDate(stamp) + "T";
        dayNumber_ = dayNumber;
        haveDay_ = true;
    }
    text_.resize(11);
    const auto inDay = static_cast<int>(stamp - dayNumber * kSecondsPerDay);
    for (const int part : {inDay / 3600, inDay / 60 % 60, inDay % 60}) {
        if (text_.size() > 11) {
            text_ += ':';
        }
        text_ += static_cast<char>('0' + part / 10);
        text_ += static_cast<char>('0' + part % 10);
    }
    text_ += offset_;
    return text_;
}

namespace {

struct Quantity {
    const char* name;
    const char* variable;  // nullptr: the station's humidity variable
    const char* units;
};

constexpr std::array<Quantity, 4> kQuantities = {{{"wind_speed", "WSPEED", "m/s"},
                                                  {"wind_direction", "WDIR", "deg"},
                                                  {"temperature", "TEMP", "K"},
                                                  {"humidity", nullptr, nullptr}}};

// The cells of one section: its kind, the hours of a window, the speeds of a range.
std::string SectionCells(const ControlSettings& settings, std::size_t group) {
    if (group == 0) {
        return "period,,,,";
    }
    if (group <= settings.windows.size()) {
        const TimeWindow& w = settings.windows[group - 1];
        return "time_of_day," + std::to_string(w.first) + "," + std::to_string(w.last) + ",,";
    }
    const SpeedRange& r = settings.ranges[group - 1 - settings.windows.size()];
    return "wind_speed_range,,," + CsvField(r.lowText) + "," + CsvField(r.highText);
}

void AppendScalar(std::string& row, const ScalarStats& s) {
    row += std::to_string(s.n);
    for (const double v : {s.meanObserved, s.meanPredicted, s.bias, s.grossError, s.rmse,
                           s.rmseSystematic, s.rmseUnsystematic, s.agreement, s.correlation}) {
        row += ',';
        row += CsvValue(v);
    }
}

void AppendDirection(std::string& row, const DirectionStats& s) {
    row += std::to_string(s.n);
    for (const double v : {s.meanObserved, s.meanPredicted, s.bias, s.grossError}) {
        row += ',';
        row += CsvValue(v);
    }
    row += ",,,,,";  // no RMSE, RMSEs, RMSEu, IOA or R
}

void AppendVector(std::string& row, const VectorStats& s) {
    row += std::to_string(s.n);
    row += ",,,,,,,,,";  // its own columns come last
    row += ',';
    row += CsvValue(s.meanError);
    row += ',';
    row += CsvValue(s.rmsError);
}

// The interval columns of a row: Bias to R, then MVE and RMSVE, each low and high; empty
// where the row's quantity has no such statistic or the section no intervals.
void AppendIntervals(std::string& row, const std::string& runCells, const GroupIntervals* g,
                     std::size_t slot) {
    row += ',';
    row += runCells;
    std::array<Interval, kScalarIntervals + 2> cells{};
    if (g != nullptr) {
        if (slot == kDirection) {
            cells[kIntervalBias] = g->directionBias;
            cells[kIntervalGrossError] = g->directionError;
        } else if (slot == kSlotCount) {  // the vector row
            cells[kScalarIntervals] = g->vectorMean;
            cells[kScalarIntervals + 1] = g->vectorRms;
        } else {
            const std::size_t k = slot == kSpeed         ? kScalarSpeed
                                  : slot == kTemperature ? kScalarTemperature
                                                         : kScalarHumidity;
            for (std::size_t i = 0; i < kScalarIntervals; ++i) {
                cells[i] = g->scalar[k][i];
            }
        }
    }
    for (const Interval& i : cells) {
        row += ',';
        row += CsvValue(i.low);
        row += ',';
        row += CsvValue(i.high);
    }
}

// The verdict columns of a row, Bias, GE, RMSE and IOA, as the list file's benchmark table
// decides them; empty where the quantity has no benchmark on the statistic or no value, and
// on the rows of no whole period (no checks).
void AppendVerdicts(std::string& row, const std::vector<BenchmarkCheck>& checks, std::size_t slot) {
    std::array<std::string_view, kBenchmarkStatistics> cells{};
    for (const BenchmarkCheck& c : checks) {
        if (static_cast<std::size_t>(c.slot) == slot && c.result != "n/a") {
            cells[static_cast<std::size_t>(c.which)] = c.result;
        }
    }
    for (const std::string_view cell : cells) {
        row += ',';
        row += cell;
    }
}

}  // namespace

void WriteStationStatistics(OutputFile& file, const ControlSettings& settings,
                            const std::vector<StationResult>& stations, const PooledResults* pooled,
                            int resamples, std::uint64_t seed) {
    const bool intervals = resamples > 0;
    file.Write(
        "station,predicted_file,observed_file,predicted_site,observed_site,period_start,"
        "period_end,section,first_hour,last_hour,speed_above,speed_up_to,quantity,variable,"
        "units,N,Obs,Prd,Bias,GE,RMSE,RMSEs,RMSEu,IOA,R,MVE,RMSVE");
    file.Write(intervals ? ",bootstrap,seed,Bias_lo,Bias_hi,GE_lo,GE_hi,RMSE_lo,RMSE_hi,RMSEs_lo,"
                           "RMSEs_hi,RMSEu_lo,RMSEu_hi,IOA_lo,IOA_hi,R_lo,R_hi,MVE_lo,MVE_hi,"
                           "RMSVE_lo,RMSVE_hi"
                         : "");
    // The verdicts come last whether or not intervals are made, judged on the interval where
    // there is one and on the value otherwise.
    file.Write(",Bias_verdict,GE_verdict,RMSE_verdict,IOA_verdict\n");
    const std::string runCells = std::to_string(resamples) + "," + std::to_string(seed);
    IsoTimes times(settings.zone);
    std::string period = times.Text(settings.start) + ",";
    period += times.Text(settings.end) + ",";
    std::string text;
    // The rows of one station, or of all stations pooled (the whole period only).
    const auto rows = [&](const std::string& station, const std::vector<GroupResult>& groups,
                          const std::array<bool, kSlotCount>& evaluates, HumidityKind humidity,
                          const GroupIntervals& whole) {
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const std::string section = SectionCells(settings, g) + ",";
            const GroupResult& group = groups[g];
            const GroupIntervals* bounds = g == 0 ? &whole : nullptr;
            std::vector<BenchmarkCheck> checks;  // verdicts are given on the whole period only
            if (g == 0) {
                checks = CheckBenchmarks(group, humidity, intervals ? &whole : nullptr);
            }
            for (std::size_t q = 0; q < kQuantities.size(); ++q) {
                const std::size_t slot = q;  // the quantities stand in slot order
                if (!evaluates[slot]) {
                    continue;
                }
                const Quantity& quantity = kQuantities[q];
                text += station + section + quantity.name + ",";
                text += quantity.variable != nullptr ? quantity.variable : HumidityName(humidity);
                text += ",";
                text += quantity.units != nullptr ? quantity.units : HumidityUnits(humidity);
                text += ",";
                if (slot == kDirection) {
                    AppendDirection(text, group.direction);
                } else {
                    AppendScalar(text, group.scalar[slot == kSpeed         ? kScalarSpeed
                                                    : slot == kTemperature ? kScalarTemperature
                                                                           : kScalarHumidity]);
                }
                text += ",,";  // MVE and RMSVE belong to the vector row
                if (intervals) {
                    AppendIntervals(text, runCells, bounds, slot);
                }
                AppendVerdicts(text, checks, slot);
                text += '\n';
            }
            if (evaluates[kSpeed] && evaluates[kDirection]) {
                text += station + section + "wind_vector,WSPEED+WDIR,m/s,";
                AppendVector(text, group.vector);
                if (intervals) {
                    AppendIntervals(text, runCells, bounds, kSlotCount);
                }
                AppendVerdicts(text, {}, kSlotCount);  // no benchmark judges the vector error
                text += '\n';
            }
        }
    };
    for (const StationResult& s : stations) {
        if (!s.evaluated) {
            continue;
        }
        text.clear();
        rows(std::to_string(s.number) + "," + CsvText(s.predicted.written) + "," +
                 CsvText(s.observed.written) + "," + CsvText(s.predicted.site) + "," +
                 CsvText(s.observed.site) + "," + period,
             s.groups, s.evaluates, s.humidity, s.intervals);
        file.Write(text);
    }
    if (intervals && pooled != nullptr && !pooled->all.empty()) {
        // All stations pooled, where the benchmark verdicts are judged.
        std::array<bool, kSlotCount> evaluates{};
        for (const StationResult& s : stations) {
            for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
                evaluates[slot] = evaluates[slot] || (s.evaluated && s.evaluates[slot]);
            }
        }
        evaluates[kHumidity] = evaluates[kHumidity] && pooled->humidity != HumidityKind::None;
        text.clear();
        rows("all,,,,," + period, {pooled->all[0]}, evaluates, pooled->humidity, pooled->intervals);
        file.Write(text);
    }
}

std::string_view PairsHeader() {
    return "station,end,Obs_WS,Prd_WS,Obs_WD,Prd_WD,Obs_T,Prd_T,Obs_H,Prd_H,variable_H,calm,"
           "used\n";
}

void AppendPairRow(std::string& out, const StationResult& station, const std::string& endTime,
                   const Record& observed, const Record& predicted, bool calm, bool used) {
    out += std::to_string(station.number);
    out += ',';
    out += endTime;
    for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
        const double offset = slot == kTemperature ? kKelvinOffset : 0.0;
        for (const Record* record : {&observed, &predicted}) {
            out += ',';
            const double value = record->value[slot] + offset;
            if (station.evaluates[slot] && std::isfinite(value)) {
                AppendValue(out, value);
            }
        }
    }
    out += ',';
    if (station.humidity != HumidityKind::None) {
        out += HumidityName(station.humidity);
    }
    out += station.evaluates[kSpeed] ? (calm ? ",1," : ",0,") : ",,";
    out += used ? "1\n" : "0\n";
}

}  // namespace corvane::wxcheck
