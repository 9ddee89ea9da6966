#include "wxcheck/list_file.h"

#include <cmath>

#include "wxcheck/output_text.h"
#include "wxcheck/statistics_files.h"
#include "wxcheck/text_scan.h"

namespace corvane::wxcheck {

namespace {

std::string Padded(std::string_view text, std::size_t width, bool left = false) {
    std::string out;
    if (text.size() < width && !left) {
        out.append(width - text.size(), ' ');
    }
    out.append(text);
    if (text.size() < width && left) {
        out.append(width - text.size(), ' ');
    }
    return out;
}

void Rule(std::string& out) {
    out += std::string(100, '-') + '\n';
}

void Heading(std::string& out, std::string_view title) {
    out += '\n';
    out.append(title);
    out += '\n';
    out += std::string(title.size(), '=') + '\n';
}

void EchoInputs(std::string& out, const ControlSettings& s, const RunNotes& notes,
                bool anyEvaluated) {
    const auto line = [&](std::string_view label, const std::string& value) {
        out += Padded(label, 28, true);
        out += value;
        out += '\n';
    };
    Heading(out, "INPUTS");
    line("Control file:", notes.controlPath);
    line("Title:", s.title);
    line("Output folder:", s.outputFolder);
    line("List file:", s.ListPath());
    line("Statistics files:", s.StatisticsPath(kHourlyWindFile));
    for (const std::string_view suffix : {kHourlyTeHuFile, kDailyWindFile, kDailyTeHuFile}) {
        line("", s.StatisticsPath(suffix));
    }
    std::string report = "none (--no-report)";
    if (!notes.reportPath.empty()) {
        report = notes.reportPath + (anyEvaluated ? "" : " (not written: no station evaluated)");
    }
    line("Report:", report);
    line("Station file:", s.StationPath());
    line("Processing time zone:", s.zone);
    line("Period:", PeriodText(s));
    line("Calm wind threshold:",
         s.calmText + " m/s (a pair is calm when either speed is at or below it)");
    line("Missing filter:", FilterText(s.missingFilter));
    std::string windows;
    for (const TimeWindow& w : s.windows) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%02d-%02d", windows.empty() ? "" : ", ", w.first,
                      w.last);
        windows += text;
    }
    line("Time-of-day windows:", windows.empty() ? "none" : windows);
    std::string ranges;
    for (const SpeedRange& r : s.ranges) {
        ranges += (ranges.empty() ? "" : ", ") + r.lowText + " < WS <= " + r.highText;
    }
    line("Wind-speed ranges (m/s):", ranges.empty() ? "none" : ranges);
}

std::string WindowTitle(const TimeWindow& w) {
    char text[96];
    std::snprintf(text, sizeof text, "TIME OF DAY %02d TO %02d (hours of the end stamps, %s)",
                  w.first, w.last, w.first <= w.last ? "inclusive" : "wrapping past midnight");
    return text;
}

void StationTable(std::string& out, const std::vector<StationResult>& stations) {
    Heading(out, "STATIONS");
    out +=
        "Records: data records read; Pairs: same end stamp in both files and in the period;\n"
        "Missing: pairs with a missing value of an evaluated variable; Used: pairs left after\n"
        "the missing filter; Calm: used pairs with either speed at or below the threshold;\n"
        "Skipped: unreadable records; Dup: records in the period repeating an end stamp\n"
        "(Skipped and Dup: predicted/observed).\n\n";
    out +=
        "  No  Status       Rec_Prd   Rec_Obs     Pairs   Missing      Used      Calm  "
        "Skipped      Dup  Hum   Variables\n";
    for (const StationResult& s : stations) {
        char row[256];
        std::string variables;
        for (const auto& [slot, name] : {std::pair{kSpeed, "WSPEED"}, std::pair{kDirection, "WDIR"},
                                         std::pair{kTemperature, "TEMP"}}) {
            if (s.evaluates[static_cast<std::size_t>(slot)]) {
                variables += variables.empty() ? "" : ",";
                variables += name;
            }
        }
        if (s.humidity != HumidityKind::None) {
            variables += variables.empty() ? "" : ",";
            variables += HumidityName(s.humidity);
        }
        const std::string skipped = std::to_string(s.predicted.counts.skipped) + "/" +
                                    std::to_string(s.observed.counts.skipped);
        const std::string duplicates =
            std::to_string(s.predicted.duplicates) + "/" + std::to_string(s.observed.duplicates);
        std::snprintf(
            row, sizeof row, "%4d  %-9s %9lld %9lld %9lld %9lld %9lld %9lld %8s %8s  %-4s  %s\n",
            s.number, s.evaluated ? "evaluated" : "FAILED",
            static_cast<long long>(s.predicted.counts.records),
            static_cast<long long>(s.observed.counts.records), static_cast<long long>(s.pairs),
            static_cast<long long>(s.missing), static_cast<long long>(s.used),
            static_cast<long long>(s.calm), skipped.c_str(), duplicates.c_str(),
            s.humidity == HumidityKind::None ? "-" : HumidityName(s.humidity),
            variables.empty() ? "-" : variables.c_str());
        out += row;
    }
    out += "\nFiles (predicted, observed):\n";
    for (const StationResult& s : stations) {
        out += Padded(std::to_string(s.number), 4) + "  " + s.predicted.written + '\n';
        out += "      " + s.observed.written + '\n';
    }
    bool anyError = false;
    for (const StationResult& s : stations) {
        for (const std::string& e : s.errors) {
            if (!anyError) {
                out += "\nStations not evaluated (see ERRORS):\n";
                anyError = true;
            }
            out += Padded(std::to_string(s.number), 4) + "  " + e + '\n';
        }
    }
}

std::string TableHeader(std::initializer_list<const char*> names) {
    std::string out = Padded("Station", 8, true) + Padded("N", 10);
    for (const char* name : names) {
        out += ' ';
        out += Padded(name, 10);
    }
    out += '\n';
    return out;
}

void ScalarRow(std::string& out, std::string_view label, const ScalarStats& s,
               std::string_view extra = {}) {
    out += Padded(label, 8, true);
    out += Padded(std::to_string(s.n), 10);
    for (const double v : {s.meanObserved, s.meanPredicted, s.bias, s.grossError, s.rmse,
                           s.rmseSystematic, s.rmseUnsystematic, s.agreement, s.correlation}) {
        out += ' ';
        out += Padded(FormatValue(v), 10);
    }
    if (!extra.empty()) {
        out += "  ";
        out.append(extra);
    }
    out += '\n';
}

void DirectionRow(std::string& out, std::string_view label, const DirectionStats& s) {
    out += Padded(label, 8, true);
    out += Padded(std::to_string(s.n), 10);
    for (const double v : {s.meanObserved, s.meanPredicted, s.bias, s.grossError}) {
        out += ' ';
        out += Padded(FormatValue(v), 10);
    }
    out += '\n';
}

// The statistics of one group (the whole period, a window or a range) for every station
// and for all stations.
void GroupTables(std::string& out, std::string_view title, std::size_t group,
                 const std::vector<StationResult>& stations, const PooledResults& pooled) {
    Heading(out, title);
    const auto scalarTable = [&](std::string_view name, std::size_t k, bool humidity) {
        out += '\n';
        out.append(name);
        out += '\n';
        out += TableHeader({"Obs", "Prd", "Bias", "GE", "RMSE", "RMSEs", "RMSEu", "IOA", "R"});
        for (const StationResult& s : stations) {
            if (!s.evaluated || (humidity && s.humidity == HumidityKind::None)) {
                continue;
            }
            const ScalarStats& stats = s.groups[group].scalar[k];
            ScalarRow(out, std::to_string(s.number), stats,
                      humidity ? std::string(HumidityName(s.humidity)) : std::string());
        }
        ScalarRow(out, "All", pooled.all[group].scalar[k],
                  humidity ? std::string(HumidityName(pooled.humidity)) : std::string());
    };
    scalarTable("Wind speed (m/s)", kScalarSpeed, false);
    out += "\nWind direction (degrees; non-calm pairs; differences wrapped into (-180, 180])\n";
    out += TableHeader({"Obs", "Prd", "Bias", "GE"});
    for (const StationResult& s : stations) {
        if (s.evaluated) {
            DirectionRow(out, std::to_string(s.number), s.groups[group].direction);
        }
    }
    DirectionRow(out, "All", pooled.all[group].direction);
    scalarTable("Temperature (K)", kScalarTemperature, false);
    scalarTable("Humidity (each station's variable; All: " + HumidityText(pooled.humidity) +
                    ", stations using it)",
                kScalarHumidity, true);
}

}  // namespace

const char* Judge(double value, const Benchmark& benchmark) {
    if (std::isnan(value)) {
        return "n/a";
    }
    double shown = std::round(value * 1e4) / 1e4;
    if (benchmark.magnitude) {
        shown = std::fabs(shown);
    }
    return (benchmark.atMost ? shown <= benchmark.limit : shown >= benchmark.limit) ? "pass"
                                                                                    : "fail";
}

std::vector<BenchmarkCheck> CheckBenchmarks(const GroupResult& all, HumidityKind humidity) {
    std::vector<BenchmarkCheck> checks;
    const auto add = [&](std::string quantity, std::string statistic, double value,
                         const Benchmark& b) {
        checks.push_back(
            {std::move(quantity), std::move(statistic), value, b.goal, Judge(value, b)});
    };
    const ScalarStats& ws = all.scalar[kScalarSpeed];
    add("Wind speed", "RMSE", ws.rmse, kSpeedBenchmarks.error);
    add("Wind speed", "Bias", ws.bias, kSpeedBenchmarks.bias);
    add("Wind speed", "IOA", ws.agreement, kSpeedBenchmarks.agreement);
    add("Wind direction", "GE", all.direction.grossError, kDirectionBenchmarks.error);
    add("Wind direction", "Bias", all.direction.bias, kDirectionBenchmarks.bias);
    const ScalarStats& t = all.scalar[kScalarTemperature];
    add("Temperature", "GE", t.grossError, kTemperatureBenchmarks.error);
    add("Temperature", "Bias", t.bias, kTemperatureBenchmarks.bias);
    add("Temperature", "IOA", t.agreement, kTemperatureBenchmarks.agreement);
    const ScalarStats& h = all.scalar[kScalarHumidity];
    const std::string name = std::string("Humidity (") + HumidityName(humidity) + ")";
    if (humidity == HumidityKind::Relative) {
        for (const auto& [statistic, value] :
             {std::pair{"GE", h.grossError}, std::pair{"Bias", h.bias},
              std::pair{"IOA", h.agreement}}) {
            checks.push_back({name, statistic, value, "no benchmark for RH", "n/a"});
        }
    } else {
        add(name, "GE", h.grossError, kHumidityBenchmarks.error);
        add(name, "Bias", h.bias, kHumidityBenchmarks.bias);
        add(name, "IOA", h.agreement, kHumidityBenchmarks.agreement);
    }
    return checks;
}

std::string StationWarningText(int station, const std::string& warning) {
    return "station " + std::to_string(station) + ": " + warning;
}

std::string StationErrorText(int station, const std::string& error) {
    return "station " + std::to_string(station) + " (not evaluated): " + error;
}

namespace {

void BenchmarkTable(std::string& out, const PooledResults& pooled) {
    Heading(out, "BENCHMARKS (all stations, whole period)");
    out += "Commonly used simple-terrain benchmarks; a value that cannot be computed is n/a.\n\n";
    out += "Quantity                Statistic       Value  Benchmark              Result\n";
    for (const BenchmarkCheck& c : CheckBenchmarks(pooled.all[0], pooled.humidity)) {
        out += Padded(c.quantity, 24, true) + Padded(c.statistic, 9, true) +
               Padded(FormatValue(c.value), 10) + "  " + Padded(c.goal, 23, true) + c.result + '\n';
    }
}

void Messages(std::string& out, const std::vector<StationResult>& stations, const RunNotes& notes) {
    Heading(out, "WARNINGS");
    std::size_t count = 0;
    for (const std::string& w : notes.warnings) {
        out += w + '\n';
        ++count;
    }
    for (const StationResult& s : stations) {
        for (const std::string& w : s.warnings) {
            out += StationWarningText(s.number, w) + '\n';
            ++count;
        }
    }
    if (count == 0) {
        out += "none\n";
    }
    Heading(out, "ERRORS");
    count = 0;
    for (const std::string& e : notes.errors) {
        out += e + '\n';
        ++count;
    }
    for (const StationResult& s : stations) {
        for (const std::string& e : s.errors) {
            out += StationErrorText(s.number, e) + '\n';
            ++count;
        }
    }
    if (count == 0) {
        out += "none\n";
    }
}

std::string Banner() {
    return std::string("WXCHECK statistics engine, version ") + EngineVersion() + '\n';
}

}  // namespace

std::string BuildListFile(const ControlSettings& settings,
                          const std::vector<StationResult>& stations, const PooledResults& pooled,
                          const RunNotes& notes) {
    std::string out = Banner();
    Rule(out);
    int evaluated = 0;
    for (const StationResult& s : stations) {
        evaluated += s.evaluated ? 1 : 0;
    }
    EchoInputs(out, settings, notes, evaluated > 0);
    out += '\n';
    out += std::to_string(evaluated) + " of " + std::to_string(stations.size()) +
           " station(s) evaluated. Pooled humidity variable: " + HumidityText(pooled.humidity) +
           ", used by " + std::to_string(pooled.humidityStations) + " station(s).\n";
    StationTable(out, stations);
    out +=
        "\nStatistics: N pairs; Obs, Prd means; Bias mean(P-O); GE mean|P-O|; RMSE; RMSEs and\n"
        "RMSEu systematic and unsystematic RMSE about the least-squares line P = a + b O;\n"
        "IOA Willmott's 1981 index of agreement; R Pearson correlation; -999 cannot be computed.\n";
    GroupTables(out, "WHOLE PERIOD", 0, stations, pooled);
    for (std::size_t w = 0; w < settings.windows.size(); ++w) {
        GroupTables(out, WindowTitle(settings.windows[w]), 1 + w, stations, pooled);
    }
    for (std::size_t r = 0; r < settings.ranges.size(); ++r) {
        const SpeedRange& range = settings.ranges[r];
        GroupTables(
            out,
            "WIND SPEED RANGE " + range.lowText + " < observed WS <= " + range.highText + " m/s",
            1 + settings.windows.size() + r, stations, pooled);
    }
    BenchmarkTable(out, pooled);
    Messages(out, stations, notes);
    return out;
}

std::string BuildFailureListFile(const ControlSettings& settings, const RunNotes& notes) {
    std::string out = Banner();
    Rule(out);
    out += "\nNOTHING WAS EVALUATED.\n";
    out += "\nControl file: " + notes.controlPath + '\n';
    if (!settings.title.empty()) {
        out += "Title: " + settings.title + '\n';
    }
    Messages(out, {}, notes);
    return out;
}

}  // namespace corvane::wxcheck
