#include "wxcheck/outputs/statistics_files.h"

#include <cstdio>

#include "tsf/text_scan.h"
#include "wxcheck/outputs/output_file.h"
#include "wxcheck/outputs/output_text.h"
#include "wxcheck/outputs/run_outputs.h"

namespace corvane::wxcheck {

namespace {

void AppendField(std::string& out, std::string_view text) {
    out += ' ';
    out.append(text);
}

void AppendScalarColumns(std::string& out, const ScalarStats& s) {
    AppendField(out, std::to_string(s.n));
    for (const double v : {s.meanObserved, s.meanPredicted, s.bias, s.grossError, s.rmse,
                           s.rmseSystematic, s.rmseUnsystematic, s.agreement, s.correlation}) {
        AppendField(out, FormatValue(v));
    }
}

void AppendDirectionColumns(std::string& out, const DirectionStats& s) {
    AppendField(out, std::to_string(s.n));
    for (const double v : {s.meanObserved, s.meanPredicted, s.bias, s.grossError}) {
        AppendField(out, FormatValue(v));
    }
}

void AppendVectorColumns(std::string& out, const VectorStats& s) {
    AppendField(out, std::to_string(s.n));
    AppendField(out, FormatValue(s.meanError));
    AppendField(out, FormatValue(s.rmsError));
}

// One hour's or day's row of the wind file and of the temperature and humidity file.
void AppendRows(const std::string& stamp, const GroupResult& group, std::string& wind,
                std::string& teHu) {
    wind += stamp;
    AppendScalarColumns(wind, group.scalar[kScalarSpeed]);
    AppendDirectionColumns(wind, group.direction);
    AppendVectorColumns(wind, group.vector);
    wind += '\n';
    teHu += stamp;
    AppendScalarColumns(teHu, group.scalar[kScalarTemperature]);
    AppendScalarColumns(teHu, group.scalar[kScalarHumidity]);
    teHu += '\n';
}

std::string ScalarNames(std::string_view suffix) {
    std::string out;
    for (const char* name :
         {"N", "Obs", "Prd", "Bias", "GE", "RMSE", "RMSEs", "RMSEu", "IOA", "R"}) {
        out += ' ';
        out += name;
        out += '_';
        out.append(suffix);
    }
    return out;
}

enum class Rows { Hourly, Daily };
enum class Quantities { Wind, TemperatureHumidity };

std::string StatisticsHeader(const ControlSettings& s, const PooledResults& pooled,
                             std::string_view what, Rows rows, Quantities quantities) {
    std::string out;
    out += "# wxcheck ";
    out += EngineVersion();
    out += '\n';
    out += "# ";
    out.append(what);
    out += ", all stations pooled\n";
    out += "# Title: " + ShownText(s.title) + '\n';
    out += "# Period: " + PeriodText(s) + '\n';
    out += "# Time zone: " + ShownText(s.zone) + '\n';
    out += "# Calm wind threshold: " + s.calmText + " m/s\n";
    out += "# Missing filter: " + FilterText(s.missingFilter) + '\n';
    out += "# Humidity variable: " + HumidityText(pooled.humidity) + '\n';
    out += "# Units: wind speed m/s, wind direction degrees, temperature K\n";
    out += "# IOA: Willmott's 1981 index of agreement; -999: cannot be computed\n";
    if (rows == Rows::Hourly) {
        out += "# Date, Hour: of the end stamps of the pairs\n";
    } else {
        out +=
            "# Date: of the end stamps less one second: a day holds the hours ending 01:00 to "
            "24:00\n";
    }
    if (quantities == Quantities::Wind) {
        out +=
            "# Obs_WD, Prd_WD: directions of the mean unit vectors of the directions of non-calm "
            "pairs\n"
            "# Bias_WD, GE_WD: mean and mean absolute P - O, each wrapped into (-180, 180]\n"
            "# MVE_VW, RMSVE_VW: length of the mean vector difference P - O and root mean square "
            "of its length (m/s), calm pairs included\n";
    }
    return out;
}

}  // namespace

std::vector<std::string> WriteStatisticsFiles(const ControlSettings& settings,
                                              const std::vector<StationResult>& stations,
                                              const PooledResults& pooled, unsigned threads,
                                              PooledRowObserver* observer) {
    OutputFile hourlyWind(OutputPath(settings, OutputKind::HourlyWind));
    OutputFile hourlyTeHu(OutputPath(settings, OutputKind::HourlyTeHu));
    OutputFile dailyWind(OutputPath(settings, OutputKind::DailyWind));
    OutputFile dailyTeHu(OutputPath(settings, OutputKind::DailyTeHu));
    const std::string windNames =
        ScalarNames("WS") + " N_WD Obs_WD Prd_WD Bias_WD GE_WD N_VW MVE_VW RMSVE_VW\n";
    const std::string teHuNames = ScalarNames("T") + ScalarNames("H") + '\n';
    hourlyWind.Write(StatisticsHeader(settings, pooled, "Hourly wind statistics", Rows::Hourly,
                                      Quantities::Wind));
    hourlyWind.Write("Date Hour" + windNames);
    hourlyTeHu.Write(StatisticsHeader(settings, pooled,
                                      "Hourly temperature and humidity statistics", Rows::Hourly,
                                      Quantities::TemperatureHumidity));
    hourlyTeHu.Write("Date Hour" + teHuNames);
    dailyWind.Write(
        StatisticsHeader(settings, pooled, "Daily wind statistics", Rows::Daily, Quantities::Wind));
    dailyWind.Write("Date" + windNames);
    dailyTeHu.Write(StatisticsHeader(settings, pooled, "Daily temperature and humidity statistics",
                                     Rows::Daily, Quantities::TemperatureHumidity));
    dailyTeHu.Write("Date" + teHuNames);

    const PeriodRows rows(settings);
    // Blocks of days keep memory flat over long periods.
    constexpr std::int64_t kBlockDays = 512;
    std::vector<GroupResult> hours;
    std::vector<GroupResult> days;
    std::string windText;
    std::string teHuText;
    for (std::int64_t first = 0; first < rows.dayCount; first += kBlockDays) {
        const std::int64_t count = std::min(kBlockDays, rows.dayCount - first);
        ComputeDayBlock(settings, stations, pooled.humidity, threads, first, count, hours, days);
        const std::int64_t firstHour = rows.FirstHourOfDay(first);
        windText.clear();
        teHuText.clear();
        for (std::size_t h = 0; h < hours.size(); ++h) {
            const Stamp stamp =
                rows.firstHour + (firstHour + static_cast<std::int64_t>(h)) * kSecondsPerHour;
            const int hourOfDay = FieldsFromStamp(stamp).hour;
            if (observer != nullptr) {
                observer->AddHour(hourOfDay, hours[h]);
            }
            char hour[8];
            std::snprintf(hour, sizeof hour, " %02d", hourOfDay);
            AppendRows(FormatDate(stamp) + hour, hours[h], windText, teHuText);
        }
        hourlyWind.Write(windText);
        hourlyTeHu.Write(teHuText);
        windText.clear();
        teHuText.clear();
        for (std::size_t d = 0; d < days.size(); ++d) {
            const Stamp day =
                rows.firstDay + (first + static_cast<std::int64_t>(d)) * kSecondsPerDay;
            if (observer != nullptr) {
                observer->AddDay(day, days[d]);
            }
            AppendRows(FormatDate(day), days[d], windText, teHuText);
        }
        dailyWind.Write(windText);
        dailyTeHu.Write(teHuText);
    }
    // The four replace the files of an earlier run together or not at all.
    return OutputFile::CommitTogether({&hourlyWind, &hourlyTeHu, &dailyWind, &dailyTeHu});
}

}  // namespace corvane::wxcheck
